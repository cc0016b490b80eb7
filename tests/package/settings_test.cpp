#include <stdlib.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "package/textdomain.h"
#include "packagetest.h"

namespace {

// A per-user directory and two machine-wide ones, all without settings files
// until a test writes one. The setting under test is XPDB_TEST_SETTING, so the
// process's own LANG and LOCALEDIR stay out of it.
class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    user = (dir.Path() / "user").string();
    first = (dir.Path() / "first").string();
    second = (dir.Path() / "second").string();
    env.Set("XDG_CONFIG_HOME", user);
    env.Set("XDG_CONFIG_DIRS", first + ":" + second);
    env.Unset(kName);
  }

  static std::string Value() {
    const char* value = getenv(kName);
    return value ? value : "<unset>";
  }

  static constexpr const char* kName = "XPDB_TEST_SETTING";
  TempDir dir;
  ScopedEnv env;
  std::string user, first, second;
};

TEST_F(Settings, PerUserWinsOverMachineWide) {
  env.Set(kName, "old");
  dir.WriteSettings("user", "XPDB_TEST_SETTING=per-user\n");
  dir.WriteSettings("first", "XPDB_TEST_SETTING=machine\n");
  SetEnvFromRegistry(kName);
  EXPECT_EQ(Value(), "per-user");
}

TEST_F(Settings, MachineWideDirectoriesInOrder) {
  dir.WriteSettings("first", "OTHER=1\n");
  dir.WriteSettings("second", "XPDB_TEST_SETTING=second\n");
  SetEnvFromRegistry(kName);
  EXPECT_EQ(Value(), "second");

  dir.WriteSettings("first", "XPDB_TEST_SETTING=first\n");
  SetEnvFromRegistry(kName);
  EXPECT_EQ(Value(), "first");
}

TEST_F(Settings, EmptyPerUserValueFallsThrough) {
  dir.WriteSettings("user", "XPDB_TEST_SETTING=\n");
  dir.WriteSettings("second", "XPDB_TEST_SETTING=machine\n");
  SetEnvFromRegistry(kName);
  EXPECT_EQ(Value(), "machine");
}

TEST_F(Settings, ValueLengthLimit) {
  const std::string longest(1023, 'a');
  dir.WriteSettings("user", "XPDB_TEST_SETTING=" + longest + "\n");
  SetEnvFromRegistry(kName);
  EXPECT_EQ(Value(), longest);

  env.Unset(kName);
  dir.WriteSettings("user", "XPDB_TEST_SETTING=" + longest + "b\n");
  dir.WriteSettings("first", "XPDB_TEST_SETTING=short\n");
  SetEnvFromRegistry(kName);
  EXPECT_EQ(Value(), "short");
}

TEST_F(Settings, NoValueAnywhereKeepsTheEnvironment) {
  env.Set(kName, "kept");
  dir.WriteSettings("user", "XPDB_TEST_SETTING=\n");
  dir.WriteSettings("first", "XPDB_TEST_SETTING=" + std::string(2000, 'x') + "\n");
  SetEnvFromRegistry(kName);
  EXPECT_EQ(Value(), "kept");

  // No files at all.
  env.Set("XDG_CONFIG_HOME", (dir.Path() / "missing").string());
  env.Set("XDG_CONFIG_DIRS", (dir.Path() / "missing").string());
  SetEnvFromRegistry(kName);
  EXPECT_EQ(Value(), "kept");
}

TEST_F(Settings, LineSyntax) {
  dir.WriteSettings("user",
                    "# XPDB_TEST_SETTING=comment\n"
                    "\n"
                    "   \n"
                    "XPDB_TEST_SETTING_LONGER=prefix\n"
                    "XPDB_TEST=shorter\n"
                    "no equals sign\n"
                    "  XPDB_TEST_SETTING = spaced value \r\n"
                    "OTHER=x=y\n");
  SetEnvFromRegistry(kName);
  EXPECT_EQ(Value(), "spaced value");

  // The last line of a file wins; the last line needs no line break.
  dir.WriteSettings("user", "XPDB_TEST_SETTING=one\nXPDB_TEST_SETTING=two");
  SetEnvFromRegistry(kName);
  EXPECT_EQ(Value(), "two");
}

TEST(SettingsFiles, DefaultDirectories) {
  ScopedEnv env;
  env.Unset("XDG_CONFIG_HOME");
  env.Unset("XDG_CONFIG_DIRS");
  env.Set("HOME", "/home/someone");
  EXPECT_EQ(SettingsFiles(),
            (std::vector<std::string>{"/home/someone/.config/Qarvex/3.5.conf", "/etc/xdg/Qarvex/3.5.conf"}));

  // Empty variables count as unset; an empty entry in the list is skipped.
  env.Set("XDG_CONFIG_HOME", "");
  env.Set("XDG_CONFIG_DIRS", "/a::/b:");
  EXPECT_EQ(SettingsFiles(), (std::vector<std::string>{"/home/someone/.config/Qarvex/3.5.conf",
                                                       "/a/Qarvex/3.5.conf", "/b/Qarvex/3.5.conf"}));

  env.Unset("HOME");
  env.Set("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(SettingsFiles().front(), "/cfg/Qarvex/3.5.conf");
  env.Unset("XDG_CONFIG_HOME");
  EXPECT_EQ(SettingsFiles(), (std::vector<std::string>{"/a/Qarvex/3.5.conf", "/b/Qarvex/3.5.conf"}));
}

}  // namespace
