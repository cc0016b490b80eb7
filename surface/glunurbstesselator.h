#pragma once

#include <GL/glu.h>

#include <cstdio>
#include <new>
#include <type_traits>

#include "api/xpdbapi.h"
#include "host/trianglestore.h"
#include "host/xassert.h"

// Turns trimmed NURBS surfaces into triangles of its store base through a GLU
// NURBS renderer in tessellator mode. One surface at a time:
//   init, beginSurface, nurbsSurface, (beginTrim, nurbsCurve..., endTrim)*, endSurface.
// After a GLU error the rest of the surface is ignored; the store keeps what
// was produced before the error. One object is for one thread at a time;
// objects on different threads are independent: GLU's NURBS code keeps all
// its state in the renderer object (no mutable globals).
template <class Store>
class XPDB_API GluNurbsTesselator : public Store {
 public:
  GluNurbsTesselator();
  ~GluNurbsTesselator() override;
  GluNurbsTesselator(const GluNurbsTesselator&) = delete;
  GluNurbsTesselator& operator=(const GluNurbsTesselator&) = delete;

  // A fresh renderer sampling to `tolerance` in object space.
  void init(const float tolerance);
  void beginSurface();
  void nurbsSurface(int sKnotCount, float* sKnots, int tKnotCount, float* tKnots, int sStride, int tStride,
                    float* ctlArray, int sOrder, int tOrder);
  void beginTrim();
  void nurbsCurve(int knotCount, float* knots, int stride, float* ctlArray, int order);
  void endTrim();
  // Path-length sampling until the next init.
  void changeTesselationAlgorithm();
  void endSurface();

  // What the renderer calls back with.
  void _begin(unsigned type);
  void _end();
  void _addGlVertex(const float* vertex);
  void _error(unsigned code);

  bool hasError() const { return m_error; }

 private:
  // GLU's error callback carries no user data; errors are raised only inside
  // a GLU call, on the calling thread, so they go to the tessellator that made
  // the innermost call on that thread.
  class Calling {
   public:
    explicit Calling(GluNurbsTesselator* self) : m_previous(s_calling) { s_calling = self; }
    ~Calling() { s_calling = m_previous; }
    Calling(const Calling&) = delete;
    Calling& operator=(const Calling&) = delete;

   private:
    GluNurbsTesselator* m_previous;
  };

  static void GLAPIENTRY beginCallback(GLenum type, void* data);
  static void GLAPIENTRY endCallback(void* data);
  static void GLAPIENTRY vertexCallback(const GLfloat* vertex, void* data);
  static void GLAPIENTRY errorCallback(GLenum code);

  void deleteRenderer();
  // call(renderer) as this tessellator's call, unless there is no renderer or
  // the surface has already failed.
  template <class Call>
  void whileSound(Call call);

  TriangleFanAdderWithPlanarCheck m_fanAdder;
  QuadStripAdderWithPlanarCheck m_quadStripAdder;
  GLUnurbs* m_renderer = nullptr;
  TriangleAdder* m_adder = nullptr;
  bool m_error = false;

  static inline thread_local GluNurbsTesselator* s_calling = nullptr;
};

template <class Store>
GluNurbsTesselator<Store>::GluNurbsTesselator() : m_fanAdder(this), m_quadStripAdder(this) {
  this->m_vertices.reserve(1024);
  if constexpr (std::is_base_of_v<TriangleStoreIndexed, Store>) this->m_indices.reserve(512);
}

template <class Store>
GluNurbsTesselator<Store>::~GluNurbsTesselator() {
  deleteRenderer();
  m_adder = nullptr;
}

template <class Store>
void GluNurbsTesselator<Store>::deleteRenderer() {
  if (!m_renderer) return;
  Calling calling(this);
  gluDeleteNurbsRenderer(m_renderer);
  m_renderer = nullptr;
}

template <class Store>
template <class Call>
void GluNurbsTesselator<Store>::whileSound(Call call) {
  if (m_error || !m_renderer) return;
  Calling calling(this);
  call(m_renderer);
}

template <class Store>
void GluNurbsTesselator<Store>::init(const float tolerance) {
  deleteRenderer();
  Calling calling(this);
  m_renderer = gluNewNurbsRenderer();
  if (!m_renderer) throw std::bad_alloc();
  gluNurbsProperty(m_renderer, GLU_NURBS_MODE, GLU_NURBS_TESSELLATOR);
  gluNurbsProperty(m_renderer, GLU_SAMPLING_METHOD, GLU_OBJECT_PARAMETRIC_ERROR);
  gluNurbsProperty(m_renderer, GLU_PARAMETRIC_TOLERANCE, tolerance);
  gluNurbsCallbackData(m_renderer, this);
  gluNurbsCallback(m_renderer, GLU_NURBS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(&beginCallback));
  gluNurbsCallback(m_renderer, GLU_NURBS_END_DATA, reinterpret_cast<_GLUfuncptr>(&endCallback));
  gluNurbsCallback(m_renderer, GLU_NURBS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&vertexCallback));
  gluNurbsCallback(m_renderer, GLU_NURBS_ERROR, reinterpret_cast<_GLUfuncptr>(&errorCallback));
}

template <class Store>
void GluNurbsTesselator<Store>::beginSurface() {
  m_error = false;
  this->clear();
  if (!m_renderer) return;
  Calling calling(this);
  gluBeginSurface(m_renderer);
}

template <class Store>
void GluNurbsTesselator<Store>::nurbsSurface(int sKnotCount, float* sKnots, int tKnotCount, float* tKnots,
                                             int sStride, int tStride, float* ctlArray, int sOrder,
                                             int tOrder) {
  whileSound([&](GLUnurbs* renderer) {
    gluNurbsSurface(renderer, sKnotCount, sKnots, tKnotCount, tKnots, sStride, tStride, ctlArray, sOrder,
                    tOrder, GL_MAP2_VERTEX_4);
  });
}

template <class Store>
void GluNurbsTesselator<Store>::beginTrim() {
  whileSound(gluBeginTrim);
}

template <class Store>
void GluNurbsTesselator<Store>::nurbsCurve(int knotCount, float* knots, int stride, float* ctlArray,
                                           int order) {
  whileSound([&](GLUnurbs* renderer) {
    gluNurbsCurve(renderer, knotCount, knots, stride, ctlArray, order, GLU_MAP1_TRIM_2);
  });
}

template <class Store>
void GluNurbsTesselator<Store>::endTrim() {
  whileSound(gluEndTrim);
}

template <class Store>
void GluNurbsTesselator<Store>::changeTesselationAlgorithm() {
  if (!m_renderer) return;
  Calling calling(this);
  gluNurbsProperty(m_renderer, GLU_SAMPLING_METHOD, GLU_OBJECT_PATH_LENGTH);
}

template <class Store>
void GluNurbsTesselator<Store>::endSurface() {
  whileSound(gluEndSurface);
}

template <class Store>
void GluNurbsTesselator<Store>::_begin(unsigned type) {
  xGlobalAssert(m_renderer != nullptr, "glunurbstesselator", __LINE__);
  if (m_adder) m_adder->endPrimitive();
  switch (type) {
    case GL_TRIANGLE_FAN:
      m_adder = &m_fanAdder;
      break;
    case GL_QUAD_STRIP:
      m_adder = &m_quadStripAdder;
      break;
    default:
      m_adder = nullptr;
      xGlobalAssert(false, "glunurbstesselator", __LINE__);
      break;
  }
}

template <class Store>
void GluNurbsTesselator<Store>::_end() {
  if (m_adder) m_adder->endPrimitive();
}

template <class Store>
void GluNurbsTesselator<Store>::_addGlVertex(const float* vertex) {
  if (m_adder) m_adder->pushVertex(vertex);
}

template <class Store>
void GluNurbsTesselator<Store>::_error(unsigned code) {
  const auto* text = reinterpret_cast<const char*>(gluErrorString(code));
  std::fprintf(stderr, "Nurbs Error: %s\n", text ? text : "");
  m_error = true;
}

template <class Store>
void GLAPIENTRY GluNurbsTesselator<Store>::beginCallback(GLenum type, void* data) {
  static_cast<GluNurbsTesselator*>(data)->_begin(type);
}

template <class Store>
void GLAPIENTRY GluNurbsTesselator<Store>::endCallback(void* data) {
  static_cast<GluNurbsTesselator*>(data)->_end();
}

template <class Store>
void GLAPIENTRY GluNurbsTesselator<Store>::vertexCallback(const GLfloat* vertex, void* data) {
  static_cast<GluNurbsTesselator*>(data)->_addGlVertex(vertex);
}

template <class Store>
void GLAPIENTRY GluNurbsTesselator<Store>::errorCallback(GLenum code) {
  if (s_calling) {
    s_calling->_error(code);
    return;
  }
  // Cannot happen while GLU reports errors only from inside its calls.
  const auto* text = reinterpret_cast<const char*>(gluErrorString(code));
  std::fprintf(stderr, "Nurbs Error: %s\n", text ? text : "");
}

extern template class GluNurbsTesselator<TriangleStoreIndexed>;
