#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "package/settings.h"
#include "package/smallfile.h"

namespace {

TEST(SettingsText, AByteOrderMarkAndWindowsLineEndsHideNoSetting) {
  const struct {
    std::string text;
    std::optional<std::string> lang;
  } cases[] = {{"\xEF\xBB\xBFLANG=de\n", "de"},
               {"\xEF\xBB\xBFLANG=de\r\nLOCALEDIR=/x\r\n", "de"},
               {"\xEF\xBB\xBF\r\nLANG=de_AT.UTF-8\r\n", "de_AT.UTF-8"},
               {"\xEF\xBB\xBF# comment\r\nLANG = de \r\n", "de"},
               {"LANG=de\r", "de"},
               {"\xEF\xBB\xBF\xEF\xBB\xBFLANG=de\n", std::nullopt},  // only one mark belongs to the encoding
               {"\xEF\xBBLANG=de\n", std::nullopt},
               {"LANG=de\r\nLANG=fr\r\n", "fr"},
               {"\xEF\xBB\xBF", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(FindSetting(c.text, "LANG"), c.lang) << c.text;
}

class SmallFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(mkdtemp(dir.data()), nullptr); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Write(const std::string& name, std::size_t size) {
    std::ofstream(dir + "/" + name, std::ios::binary) << std::string(size, 'x');
    return dir + "/" + name;
  }
  std::string dir = (std::filesystem::temp_directory_path() / "xpdb-settings-XXXXXX").string();
};

TEST_F(SmallFile, OnlyRegularFilesUpToTheLimit) {
  EXPECT_EQ(ReadSmallFile(Write("empty", 0), 10), "");
  EXPECT_EQ(ReadSmallFile(Write("limit", kMaxSettingsFileSize), kMaxSettingsFileSize)->size(),
            kMaxSettingsFileSize);
  EXPECT_EQ(ReadSmallFile(Write("over", kMaxSettingsFileSize + 1), kMaxSettingsFileSize), std::nullopt);
  std::filesystem::create_symlink(dir + "/limit", dir + "/link");
  EXPECT_EQ(ReadSmallFile(dir + "/link", kMaxSettingsFileSize)->size(), kMaxSettingsFileSize);
  for (const std::string& other : {dir, dir + "/missing", std::string("/dev/zero"), std::string("/dev/null")})
    EXPECT_EQ(ReadSmallFile(other, 10), std::nullopt) << other;
  // A file under /proc tells no size yet has content: read, but no further than the limit.
  EXPECT_NE(ReadSmallFile("/proc/self/status", kMaxSettingsFileSize).value_or(""), "");
  EXPECT_EQ(ReadSmallFile("/proc/self/status", 8), std::nullopt);
}

}  // namespace
