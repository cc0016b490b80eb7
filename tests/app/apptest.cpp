#include "apptest.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

RunResult RunXpdb(const std::vector<std::string>& args, const RunOptions& options) {
  const TempDir capture;
  const std::string outPath = capture.File("stdout"), errPath = capture.File("stderr");
  const std::string program = XPDB_BINARY_DIR "/bin/xpdb";
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
    // English texts and no settings from the user's configuration.
    setenv("LANG", "C", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    unsetenv("LANGUAGE");
    unsetenv("XPDB_LIBRARY");
    setenv("XDG_CONFIG_HOME", capture.Path().c_str(), 1);
    setenv("XDG_CONFIG_DIRS", capture.Path().c_str(), 1);
    for (const auto& [name, value] : options.environment) setenv(name.c_str(), value.c_str(), 1);
    if (options.fileSizeLimit) {
      const rlimit limit{static_cast<rlim_t>(*options.fileSizeLimit),
                         static_cast<rlim_t>(*options.fileSizeLimit)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
    }
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  RunResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFileText(outPath);
  result.err = ReadFileText(errPath);
  return result;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "xpdb-app-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& text) const {
  const std::string path = File(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Pdb9(int objects, const std::string& body) {
  return "9\n0\n0\n0\n" + std::to_string(objects) + "\n" + body;
}

std::string PolygonObject(int colour, const std::vector<std::vector<double>>& points) {
  std::ostringstream text;
  text << colour << "\n" << points.size() << "\n";
  for (const auto& p : points) text << p[0] << " " << p[1] << " " << p[2] << "\n";
  text << "0\n1\n" << points.size();
  for (std::size_t i = 0; i < points.size(); ++i) text << " " << i;
  text << "\n0\n";
  return text.str();
}
