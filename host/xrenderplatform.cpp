#include "xrenderplatform.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <dlfcn.h>
#include <link.h>

#include <mutex>
#include <set>
#include <string>

namespace {
std::mutex g_createMutex;

std::set<std::string> LoadedObjects() {
  std::set<std::string> names;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        if (info->dlpi_name && *info->dlpi_name)
          static_cast<std::set<std::string>*>(data)->insert(info->dlpi_name);
        return 0;
      },
      &names);
  return names;
}

// Mesa's drivers keep process-wide state that only the driver points to;
// once eglTerminate unloads the driver, leak checkers report that state as
// lost. What EGL loads therefore stays until the process ends.
void KeepLoadedSince(const std::set<std::string>& before) {
  for (const std::string& name : LoadedObjects())
    if (!before.count(name)) dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}
}  // namespace

xRenderPlatform* xRenderPlatform::GetPlatform() {
  static xRenderPlatform platform;
  return &platform;
}

xRenderPlatform::xRenderPlatform() = default;

xRenderPlatform::~xRenderPlatform() {
  if (m_display) {
    auto display = static_cast<EGLDisplay>(m_display);
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (m_surface) eglDestroySurface(display, static_cast<EGLSurface>(m_surface));
    if (m_context) eglDestroyContext(display, static_cast<EGLContext>(m_context));
    eglTerminate(display);
  }
}

bool xRenderPlatform::IsAvailable() {
  std::lock_guard<std::mutex> lock(g_createMutex);
  if (!m_tried) {
    m_tried = true;
    const std::set<std::string> loaded = LoadedObjects();
    m_ok = Create();
    KeepLoadedSince(loaded);
  }
  return m_ok;
}

bool xRenderPlatform::Create() {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) {
    m_error = "EGL has no eglGetPlatformDisplayEXT";
    return false;
  }
  EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) {
    m_error = "no EGL display on the surfaceless platform";
    return false;
  }
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) {
    m_error = "eglInitialize failed";
    return false;
  }
  m_display = display;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    m_error = "EGL cannot bind desktop OpenGL";
    return false;
  }
  const EGLint configAttribs[] = {EGL_SURFACE_TYPE,
                                  EGL_PBUFFER_BIT,
                                  EGL_RENDERABLE_TYPE,
                                  EGL_OPENGL_BIT,
                                  EGL_RED_SIZE,
                                  8,
                                  EGL_GREEN_SIZE,
                                  8,
                                  EGL_BLUE_SIZE,
                                  8,
                                  EGL_DEPTH_SIZE,
                                  16,
                                  EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1) {
    m_error = "no EGL pbuffer configuration for OpenGL";
    return false;
  }
  const EGLint surfaceAttribs[] = {EGL_WIDTH, m_width, EGL_HEIGHT, m_height, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttribs);
  if (surface == EGL_NO_SURFACE) {
    m_error = "eglCreatePbufferSurface failed";
    return false;
  }
  m_surface = surface;
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (context == EGL_NO_CONTEXT) {
    m_error = "eglCreateContext failed";
    return false;
  }
  m_context = context;
  if (!eglMakeCurrent(display, surface, surface, context)) {
    m_error = "eglMakeCurrent failed";
    return false;
  }
  if (const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER))) m_renderer = renderer;
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  return true;
}

bool xRenderPlatform::Activate() {
  if (!IsAvailable()) return false;
  auto surface = static_cast<EGLSurface>(m_surface);
  return eglMakeCurrent(static_cast<EGLDisplay>(m_display), surface, surface,
                        static_cast<EGLContext>(m_context));
}

void xRenderPlatform::Deactivate() {
  if (!m_ok) return;
  eglMakeCurrent(static_cast<EGLDisplay>(m_display), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}
