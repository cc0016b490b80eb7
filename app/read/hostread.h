#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/read/package.h"
#include "app/read/summary.h"
#include "host/xgeometry.h"

// Exit codes of every command.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,  // the read threw, or the write failed
  kExitUsage = 2,   // bad arguments, or an unreadable or unrecognised file
  kExitNoPackage = 3,
};

// The first `size` bytes of a file (fewer when it is shorter); false with
// the reason in `error` when it cannot be opened. "-" is standard input.
// Inputs that are not regular files are read once and kept (InputFile), so
// that the read that follows sees the same bytes.
bool ReadHead(const std::string& path, int size, std::string& head, std::string& error);

// A path that a library can open for the input `file` ("-" included).
std::string InputPath(const std::string& file);

struct ReadRequest {
  std::string file;
  std::optional<int> module;  // else the first module that accepts the file
  double tolerance = 0.0;     // "Render.NURBS.Tolerance" during the read
  // Fill ReadReport::sets; a caller that walks the geometry itself saves
  // the memory.
  bool summarise = true;
};

struct ReadResult {
  ExitCode code = kExitOk;
  std::string problem;  // why the file was not read (kExitUsage)
  const PackageModule* module = nullptr;
  std::unique_ptr<xGeometry> geometry;
  ReadReport report;
};

// Reads a file through the package's exported functions, as a host does.
ReadResult ReadThroughPackage(const Package& package, const ReadRequest& request);

// The text of whatever a plug-in call threw; call inside a catch block.
std::string CurrentExceptionText();
