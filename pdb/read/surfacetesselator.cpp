#include "pdb/read/surfacetesselator.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <limits>
#include <mutex>

#include "host/xenvironment.h"
#include "host/xrenderplatform.h"
#include "host/xstring.h"

namespace {
const xTString<char> kToleranceSetting("Render.NURBS.Tolerance");
}

// One per thread rather than one behind a lock: GLU's NURBS code (libnurbs)
// keeps all its state in the renderer object. Its few globals (counters in
// slicer.cc and glsurfeval.cc, download buffers in glinterface.cc) are
// compiled only for debugging, and the library's writable data is the C
// runtime's alone; so renderers on different threads never meet, and surface
// reads on several threads run side by side.
GluNurbsTesselator<TriangleStoreIndexed>& xSurfaceTesselator() {
  thread_local GluNurbsTesselator<TriangleStoreIndexed> tesselator;
  return tesselator;
}

float xNurbsBaseTolerance() {
  xEnvironment* environment = xEnvironment::GetGlobal();
  if (!environment) return 0.0f;
  double value = 0.0;
  {
    std::lock_guard<xMutex> lock(environment->GetMutex());
    int index = -1;
    xEnvironment::Setting* setting = environment->GetPtr(kToleranceSetting, 0, index);
    if (auto* stored = dynamic_cast<xEnvironment::TSetting<xStoreDouble>*>(setting))
      value = stored->store.value;
  }
  if (!(std::fabs(value) <= std::numeric_limits<float>::max())) return std::copysign(HUGE_VALF, value);
  return static_cast<float>(value);
}

xNurbsGlBracket::xNurbsGlBracket() {
  xRenderPlatform* platform = xRenderPlatform::GetPlatform();
  if (!platform || !platform->Activate()) return;
  m_active = true;
  const int width = platform->GetWidth();
  const int height = platform->GetHeight();
  const double aspect = width > 0 && height > 0 ? static_cast<double>(width) / height : 1.0;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, aspect, 3.0, 8.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPushMatrix();
}

xNurbsGlBracket::~xNurbsGlBracket() {
  if (!m_active) return;
  glPopMatrix();
  glFlush();
  xRenderPlatform::GetPlatform()->Deactivate();
}
