#pragma once

#include "host/trianglestore.h"
#include "surface/glunurbstesselator.h"

// The calling thread's tessellator for surface reading: made on the thread's
// first use, gone with the thread. Threads never share one, so reads on
// several threads tessellate at the same time.
GluNurbsTesselator<TriangleStoreIndexed>& xSurfaceTesselator();

// "Render.NURBS.Tolerance" from the host environment; 0 when it is not set.
float xNurbsBaseTolerance();

// GLU evaluates inside the host's OpenGL context: this makes one of the
// render platform's contexts current in the calling thread (each thread its
// own), sets up a view for one batch of tessellations, and hands the context
// back. Without a context the GL calls are skipped; sampling is in object
// space, so tessellation does not need one.
class xNurbsGlBracket {
 public:
  xNurbsGlBracket();
  ~xNurbsGlBracket();
  xNurbsGlBracket(const xNurbsGlBracket&) = delete;
  xNurbsGlBracket& operator=(const xNurbsGlBracket&) = delete;
  bool IsActive() const { return m_active; }

 private:
  bool m_active = false;
};
