// Linked into the clocked copy of the package with --wrap for each GLU NURBS
// function: every call the tessellator makes passes through a clock, GLU's
// callbacks into the triangle store included.
#include <GL/glu.h>

#include <chrono>

namespace {

double g_seconds = 0.0;

template <class Call>
auto Clocked(Call&& call) {
  const auto start = std::chrono::steady_clock::now();
  struct Stop {
    std::chrono::steady_clock::time_point start;
    ~Stop() { g_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); }
  } stop{start};
  return call();
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) double xpdbGluSeconds() { return g_seconds; }

GLUnurbs* __real_gluNewNurbsRenderer();
void __real_gluDeleteNurbsRenderer(GLUnurbs*);
void __real_gluNurbsProperty(GLUnurbs*, GLenum, GLfloat);
void __real_gluNurbsCallback(GLUnurbs*, GLenum, _GLUfuncptr);
void __real_gluNurbsCallbackData(GLUnurbs*, GLvoid*);
void __real_gluBeginSurface(GLUnurbs*);
void __real_gluNurbsSurface(GLUnurbs*, GLint, GLfloat*, GLint, GLfloat*, GLint, GLint, GLfloat*, GLint, GLint,
                            GLenum);
void __real_gluBeginTrim(GLUnurbs*);
void __real_gluNurbsCurve(GLUnurbs*, GLint, GLfloat*, GLint, GLfloat*, GLint, GLenum);
void __real_gluEndTrim(GLUnurbs*);
void __real_gluEndSurface(GLUnurbs*);

GLUnurbs* __wrap_gluNewNurbsRenderer() {
  return Clocked([] { return __real_gluNewNurbsRenderer(); });
}
void __wrap_gluDeleteNurbsRenderer(GLUnurbs* n) {
  Clocked([&] { __real_gluDeleteNurbsRenderer(n); });
}
void __wrap_gluNurbsProperty(GLUnurbs* n, GLenum property, GLfloat value) {
  Clocked([&] { __real_gluNurbsProperty(n, property, value); });
}
void __wrap_gluNurbsCallback(GLUnurbs* n, GLenum which, _GLUfuncptr fn) {
  Clocked([&] { __real_gluNurbsCallback(n, which, fn); });
}
void __wrap_gluNurbsCallbackData(GLUnurbs* n, GLvoid* data) {
  Clocked([&] { __real_gluNurbsCallbackData(n, data); });
}
void __wrap_gluBeginSurface(GLUnurbs* n) {
  Clocked([&] { __real_gluBeginSurface(n); });
}
void __wrap_gluNurbsSurface(GLUnurbs* n, GLint sKnotCount, GLfloat* sKnots, GLint tKnotCount, GLfloat* tKnots,
                            GLint sStride, GLint tStride, GLfloat* control, GLint sOrder, GLint tOrder,
                            GLenum type) {
  Clocked([&] {
    __real_gluNurbsSurface(n, sKnotCount, sKnots, tKnotCount, tKnots, sStride, tStride, control, sOrder,
                           tOrder, type);
  });
}
void __wrap_gluBeginTrim(GLUnurbs* n) {
  Clocked([&] { __real_gluBeginTrim(n); });
}
void __wrap_gluNurbsCurve(GLUnurbs* n, GLint knotCount, GLfloat* knots, GLint stride, GLfloat* control,
                          GLint order, GLenum type) {
  Clocked([&] { __real_gluNurbsCurve(n, knotCount, knots, stride, control, order, type); });
}
void __wrap_gluEndTrim(GLUnurbs* n) {
  Clocked([&] { __real_gluEndTrim(n); });
}
void __wrap_gluEndSurface(GLUnurbs* n) {
  Clocked([&] { __real_gluEndSurface(n); });
}
}
