// The app tests' way into the commands: as `xpdb` runs them, in this process.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "app/commands.h"
#include "app/convert/meshcolours.h"
#include "app/defaults.h"
#include "common/apptest.h"

namespace apptest {

struct Outcome {
  int code = -1;
  std::string out, err;
};

// What `xpdb convert IN OUT` asks for when it is given no options.
inline ConvertRequest ConvertOf(const std::string& in, const std::string& out) {
  ConvertRequest request;
  request.input.file = in;
  request.input.tolerance = kDefaultNurbsTolerance;
  request.output = out;
  request.version = kDefaultWriteVersion;
  return request;
}

inline Outcome Run(const ConvertRequest& request) {
  std::ostringstream out, err;
  const int code = RunConvert(LoadedPackage(), request, out, err);
  return {code, out.str(), err.str()};
}

// `--pdb-version version`, with `--strict` when `strict`.
inline Outcome Convert(const std::string& in, const std::string& out, int version = kDefaultWriteVersion,
                       bool strict = false) {
  ConvertRequest request = ConvertOf(in, out);
  request.version = version;
  request.strict = strict;
  return Run(request);
}

// A mesh file written with `encoding`, the PDB side's coordinates meaning `frame`.
inline Outcome Convert(const std::string& in, const std::string& out, Encoding encoding, Frame frame = {}) {
  ConvertRequest request = ConvertOf(in, out);
  request.encoding = encoding;
  request.pdbFrame = frame;
  return Run(request);
}

// As `xpdb read FILE` reads it; a failed read fails the test.
inline ReadResult Read(const std::string& file) {
  ReadRequest request;
  request.file = file;
  request.tolerance = kDefaultNurbsTolerance;
  ReadResult result = ReadThroughPackage(LoadedPackage(), request);
  if (!result.report.ok) ADD_FAILURE() << file << ": " << result.problem << result.report.error;
  return result;
}

// The colour materials of the loaded package, as the mesh import and export use them.
inline const MeshColours& Colours() {
  static const MeshColours colours = [] {
    MeshColours c;
    std::string error;
    if (!c.Resolve(LoadedPackage(), error)) throw std::runtime_error(error);
    return c;
  }();
  return colours;
}

}  // namespace apptest
