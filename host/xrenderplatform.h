#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "xhostapi.h"

// The host's OpenGL contexts: off-screen EGL contexts on Mesa's surfaceless
// platform, one display made on first use. An EGL context can be current in
// one thread only, so each thread that activates the platform gets a context
// of its own: one that no thread is using, or a new one. Where none can be
// made, Activate answers false and GetError says why.
class XHOST_API xRenderPlatform {
 public:
  static xRenderPlatform* GetPlatform();

  virtual ~xRenderPlatform();
  // Makes a context current in the calling thread. Calls nest within a
  // thread: each true answer takes one Deactivate, and the last one hands
  // the context back for other threads.
  virtual bool Activate();
  virtual void Deactivate();

  bool IsAvailable();
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  // Set once, when the display is made; unchanged after IsAvailable returned.
  const std::string& GetError() const { return m_error; }
  // The GL_RENDERER string of the contexts, "" without one.
  const std::string& GetRenderer() const { return m_renderer; }

 private:
  // A context and the pbuffer it draws into.
  using Context = std::pair<void*, void*>;

  xRenderPlatform();
  bool Create();
  bool MakeContext(Context& made);

  bool m_tried = false;
  bool m_ok = false;
  int m_width = 64;
  int m_height = 64;
  std::string m_error;
  std::string m_renderer;
  void* m_display = nullptr;
  void* m_config = nullptr;
  std::mutex m_mutex;           // guards what follows
  std::vector<Context> m_idle;  // current in no thread
  std::vector<Context> m_all;
};
