#pragma once

#include <iosfwd>
#include <string>

#include "app/read/hostread.h"
#include "app/read/package.h"
#include "app/render/renderscene.h"

namespace CLI {
class App;
}

struct RenderRequest {
  ReadRequest input;
  std::string output;
  int width = 800;
  int height = 600;
  View view = View::kIso;
};

inline constexpr int kLargestImageSide = 8192;

// "WIDTHxHEIGHT", each side 1 to kLargestImageSide pixels; false for
// anything else, leaving width and height as they were.
bool ParseImageSize(const std::string& text, int& width, int& height);

// The `render` command and its own options, filling `request` as they are
// parsed; the read options are the caller's to add.
CLI::App* AddRenderCommand(CLI::App& app, RenderRequest& request);

// Reads the file (PDB or any mesh file the importer takes) and writes a PNG
// picture of it. Exit codes: 0 written; 1 the read failed, the part has
// nothing to draw, there is no OpenGL context or the image could not be
// written; 2 bad arguments (an output that is no file to replace, or named
// for another format), an unreadable or unrecognised file. Nothing is
// written unless it is 0.
int RunRender(const Package& package, const RenderRequest& request, std::ostream& out, std::ostream& err);
