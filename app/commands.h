#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/hostread.h"
#include "app/package.h"

// Each command prints its result on `out`, problems on `err`, and returns
// the process exit code.

int RunModules(const Package& package, bool json, std::ostream& out);

int RunDetect(const Package& package, const std::vector<std::string>& files, bool json, std::ostream& out,
              std::ostream& err);

int RunRead(const Package& package, const ReadRequest& request, bool json, std::ostream& out,
            std::ostream& err);

struct ConvertRequest {
  ReadRequest input;
  std::string output;
  int version = 9;
};

int RunConvert(const Package& package, const ConvertRequest& request, std::ostream& out, std::ostream& err);
