#include <dlfcn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "packagetest.h"

namespace {

// What a freshly loaded library reports, gathered in a child process so that
// its start-up runs against the environment and settings files of the test.
struct LoadResult {
  int exitCode = -1;
  std::string output;
};

LoadResult LoadInChild(const std::string& library) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    std::string report;
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      report = std::string("dlopen: ") + dlerror();
    } else {
      using Text = const char* (*)();
      const auto description = reinterpret_cast<Text>(dlsym(handle, "QXMPkgDescription"));
      const auto module = reinterpret_cast<Text>(dlsym(handle, "QXMM0GetDescription"));
      const auto core = static_cast<const char* const*>(dlsym(handle, "QXMCoreVersion"));
      const char* lang = getenv("LANG");
      const char* dir = getenv("LOCALEDIR");
      report = std::string("LANG=") + (lang ? lang : "<unset>") + "\nLOCALEDIR=" + (dir ? dir : "<unset>") +
               "\n" + (description ? description() : "?") + "\n" + (module ? module() : "?") + "\n" +
               (core ? *core : "?") + "\n";
    }
    const char* data = report.data();
    std::size_t left = report.size();
    while (left > 0) {
      const ssize_t n = write(fds[1], data, left);
      if (n <= 0) break;
      data += n;
      left -= static_cast<std::size_t>(n);
    }
    _exit(handle ? 0 : 3);
  }
  close(fds[1]);
  LoadResult result;
  char buffer[512];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
    result.output.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
    result.exitCode = WEXITSTATUS(status);
  return result;
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE", "LOCALEDIR"}) env.Unset(name);
    env.Set("XDG_CONFIG_HOME", (dir.Path() / "user").string());
    env.Set("XDG_CONFIG_DIRS", (dir.Path() / "machine").string());
  }

  static std::string Library() { return std::string(XPDB_BINARY_DIR) + "/lib/libxpdb.so"; }

  TempDir dir;
  ScopedEnv env;
};

TEST_F(Startup, LoadingImportsTheSettingsAndFindsTheCatalogueBesideTheLibrary) {
  if (!GermanLocaleInstalled()) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  env.Set("LANG", "C");
  dir.WriteSettings("user", "LANG=de_DE.UTF-8\n");
  dir.WriteSettings("machine", "LANG=en_US.UTF-8\n");
  // No LOCALEDIR anywhere: the catalogue is found from where the library lies.
  const LoadResult result = LoadInChild(Library());
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output,
            "LANG=de_DE.UTF-8\nLOCALEDIR=<unset>\nPaket für das PDB-Dateiformat\n"
            "PDB-Geometrie-Lader Version  9\n3.5\n");
}

TEST_F(Startup, LoadingWithoutSettingsKeepsTheEnvironment) {
  env.Set("LANG", "C");
  env.Set("LOCALEDIR", "/nowhere");
  const LoadResult result = LoadInChild(Library());
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output,
            "LANG=C\nLOCALEDIR=/nowhere\nPDB file format package\nPDB geometry version  9 loader\n3.5\n");
}

}  // namespace
