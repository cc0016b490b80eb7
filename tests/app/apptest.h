#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

// What one run of the xpdb program did.
struct RunResult {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;

  nlohmann::json Json() const { return nlohmann::json::parse(out); }
};

struct RunOptions {
  std::optional<long> fileSizeLimit;                             // RLIMIT_FSIZE of the child, in bytes
  std::vector<std::pair<std::string, std::string>> environment;  // set in the child
};

// Runs build/bin/xpdb with `args` and waits for it.
RunResult RunXpdb(const std::vector<std::string>& args, const RunOptions& options = {});

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  // Writes `text` to a file of that name in the directory; returns its path.
  std::string Write(const std::string& name, const std::string& text) const;
  std::string File(const std::string& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

std::string ReadFileText(const std::string& path);

// Small version-9 parts: header with empty sections, then the objects.
std::string Pdb9(int objects, const std::string& body);
// One object: colour, P points, no lines, one polygon over all points.
std::string PolygonObject(int colour, const std::vector<std::vector<double>>& points);
