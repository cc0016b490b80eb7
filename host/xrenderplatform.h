#pragma once

#include <string>

#include "xhostapi.h"

// The host's OpenGL context: an off-screen EGL context on Mesa's surfaceless
// platform, made on first activation. Where none can be made, Activate
// answers false and GetError says why.
class XHOST_API xRenderPlatform {
 public:
  static xRenderPlatform* GetPlatform();

  virtual ~xRenderPlatform();
  virtual bool Activate();
  virtual void Deactivate();

  bool IsAvailable();
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  const std::string& GetError() const { return m_error; }
  // The GL_RENDERER string of the context, "" without one.
  const std::string& GetRenderer() const { return m_renderer; }

 private:
  xRenderPlatform();
  bool Create();

  bool m_tried = false;
  bool m_ok = false;
  int m_width = 64;
  int m_height = 64;
  std::string m_error;
  std::string m_renderer;
  void* m_display = nullptr;
  void* m_context = nullptr;
  void* m_surface = nullptr;
};
