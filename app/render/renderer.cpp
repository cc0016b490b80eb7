#include "app/render/renderer.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "host/xrenderplatform.h"

namespace {

// Edges are smoothed by multisampling up to this size; beyond it the
// buffers would take hundreds of megabytes.
constexpr long kMultisamplePixels = 2048L * 2048L;
constexpr int kSamples = 4;
// Vertices per draw call: a multiple of 2 and 3, well inside GLsizei.
constexpr std::size_t kBatch = 6u << 20;

// A framebuffer object with a colour and, optionally, a depth renderbuffer.
class Framebuffer {
 public:
  Framebuffer() = default;
  Framebuffer(const Framebuffer&) = delete;
  Framebuffer& operator=(const Framebuffer&) = delete;
  ~Framebuffer() {
    if (m_buffers[0] || m_buffers[1]) glDeleteRenderbuffers(2, m_buffers);
    if (m_framebuffer) glDeleteFramebuffers(1, &m_framebuffer);
  }

  bool Create(int width, int height, int samples, bool depth) {
    glGenFramebuffers(1, &m_framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glGenRenderbuffers(depth ? 2 : 1, m_buffers);
    glBindRenderbuffer(GL_RENDERBUFFER, m_buffers[0]);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_buffers[0]);
    if (depth) {
      glBindRenderbuffer(GL_RENDERBUFFER, m_buffers[1]);
      glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, width, height);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_buffers[1]);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    return glGetError() == GL_NO_ERROR && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  }
  GLuint Id() const { return m_framebuffer; }

 private:
  GLuint m_framebuffer = 0;
  GLuint m_buffers[2] = {0, 0};
};

void Draw(GLenum mode, const std::vector<float>& vertices, const std::vector<float>& colours) {
  const std::size_t count = std::min(vertices.size(), colours.size()) / 3;
  for (std::size_t first = 0; first < count; first += kBatch) {
    glVertexPointer(3, GL_FLOAT, 0, vertices.data() + first * 3);
    glColorPointer(3, GL_FLOAT, 0, colours.data() + first * 3);
    glDrawArrays(mode, 0, static_cast<GLsizei>(std::min(kBatch, count - first)));
  }
}

void DrawScene(const ProjectedScene& scene, int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_TRUE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glShadeModel(GL_SMOOTH);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glClearColor(kBackground[0] / 255.0f, kBackground[1] / 255.0f, kBackground[2] / 255.0f, 1.0f);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  // Faces give way to the lines drawn on them.
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(1.0f, 1.0f);
  Draw(GL_TRIANGLES, scene.triangleVertices, scene.triangleColours);
  glDisable(GL_POLYGON_OFFSET_FILL);
  const float side = static_cast<float>(std::min(width, height));
  glLineWidth(std::max(1.0f, side / 400.0f));
  Draw(GL_LINES, scene.lineVertices, scene.lineColours);
  glPointSize(std::max(3.0f, side / 120.0f));
  Draw(GL_POINTS, scene.pointVertices, scene.pointColours);
}

RenderStatus RenderInContext(const ProjectedScene& scene, int width, int height, Image& image,
                             std::string& error) {
  GLint largest = 0, viewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  largest = std::min({largest, viewport[0], viewport[1]});
  if (width > largest || height > largest) {
    error = "the OpenGL context draws images of at most " + std::to_string(largest) + " pixels a side";
    return RenderStatus::kTooLarge;
  }
  for (int stale = 0; stale < 16 && glGetError() != GL_NO_ERROR; ++stale) {
  }

  GLint samples = 0;
  glGetIntegerv(GL_MAX_SAMPLES, &samples);
  samples = static_cast<long>(width) * height <= kMultisamplePixels ? std::min(samples, kSamples) : 0;
  Framebuffer resolved, multisampled;
  if (!resolved.Create(width, height, 0, samples == 0) ||
      (samples > 0 && !multisampled.Create(width, height, samples, true))) {
    error = "the OpenGL context cannot make a " + std::to_string(width) + "x" + std::to_string(height) +
            " framebuffer";
    return RenderStatus::kFailed;
  }
  DrawScene(scene, width, height);
  if (samples > 0) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, multisampled.Id());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved.Id());
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, resolved.Id());
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  image.width = width;
  image.height = height;
  image.rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, image.rgb.data());
  if (const GLenum code = glGetError(); code != GL_NO_ERROR) {
    error = "OpenGL error " + std::to_string(code) + " while drawing";
    return RenderStatus::kFailed;
  }
  // The GL's rows run from the bottom.
  const auto row = static_cast<std::ptrdiff_t>(width) * 3;
  const auto rows = image.rgb.begin();
  for (std::ptrdiff_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(rows + top * row, rows + (top + 1) * row, rows + bottom * row);
  return RenderStatus::kOk;
}

}  // namespace

RenderStatus RenderImage(const ProjectedScene& scene, int width, int height, Image& image,
                         std::string& error) {
  if (width <= 0 || height <= 0) {
    error = "the image has no pixels";
    return RenderStatus::kTooLarge;
  }
  xRenderPlatform* platform = xRenderPlatform::GetPlatform();
  if (!platform->Activate()) {
    error = "no OpenGL context: " +
            (platform->GetError().empty() ? "it cannot be made current" : platform->GetError());
    return RenderStatus::kNoContext;
  }
  // Whatever else uses the context finds its state as it was.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  const RenderStatus status = RenderInContext(scene, width, height, image, error);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopClientAttrib();
  glPopAttrib();
  platform->Deactivate();
  return status;
}
