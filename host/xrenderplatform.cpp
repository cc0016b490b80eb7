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

// The context that the calling thread has taken, and how deep its
// activations nest. A thread that ends while it holds one hands it back.
struct Lease {
  xRenderPlatform* platform = nullptr;
  std::pair<void*, void*> context{nullptr, nullptr};
  int depth = 0;
  ~Lease() {
    if (depth == 0 || !platform) return;
    depth = 1;
    platform->Deactivate();
  }
};
thread_local Lease t_lease;

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
  if (!m_display) return;
  auto display = static_cast<EGLDisplay>(m_display);
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  for (const Context& c : m_all) {
    eglDestroyContext(display, static_cast<EGLContext>(c.first));
    eglDestroySurface(display, static_cast<EGLSurface>(c.second));
  }
  eglTerminate(display);
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
  m_config = config;
  Context first;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!MakeContext(first)) return false;
  }
  auto surface = static_cast<EGLSurface>(first.second);
  if (!eglMakeCurrent(display, surface, surface, static_cast<EGLContext>(first.first))) {
    m_error = "eglMakeCurrent failed";
    return false;
  }
  if (const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER))) m_renderer = renderer;
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_idle.push_back(first);
  return true;
}

// With m_mutex held. Sets m_error only for the first context, while the
// display is made: later failures leave the text that others may read alone.
bool xRenderPlatform::MakeContext(Context& made) {
  auto display = static_cast<EGLDisplay>(m_display);
  auto config = static_cast<EGLConfig>(m_config);
  const bool first = m_all.empty();
  const EGLint surfaceAttribs[] = {EGL_WIDTH, m_width, EGL_HEIGHT, m_height, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttribs);
  if (surface == EGL_NO_SURFACE) {
    if (first) m_error = "eglCreatePbufferSurface failed";
    return false;
  }
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (context == EGL_NO_CONTEXT) {
    eglDestroySurface(display, surface);
    if (first) m_error = "eglCreateContext failed";
    return false;
  }
  made = {context, surface};
  m_all.push_back(made);
  return true;
}

bool xRenderPlatform::Activate() {
  if (!IsAvailable()) return false;
  if (t_lease.depth > 0 && t_lease.platform == this) {
    ++t_lease.depth;
    return true;
  }
  Context context;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_idle.empty()) {
      context = m_idle.back();
      m_idle.pop_back();
    } else if (!MakeContext(context)) {
      return false;
    }
  }
  auto surface = static_cast<EGLSurface>(context.second);
  if (!eglMakeCurrent(static_cast<EGLDisplay>(m_display), surface, surface,
                      static_cast<EGLContext>(context.first))) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_idle.push_back(context);
    return false;
  }
  t_lease.platform = this;
  t_lease.context = context;
  t_lease.depth = 1;
  return true;
}

void xRenderPlatform::Deactivate() {
  if (t_lease.depth == 0 || t_lease.platform != this) return;
  if (--t_lease.depth > 0) return;
  eglMakeCurrent(static_cast<EGLDisplay>(m_display), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  t_lease.platform = nullptr;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_idle.push_back(t_lease.context);
}
