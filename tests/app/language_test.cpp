// The package's start-up as a host meets it: every case loads the library
// afresh in its own `xpdb modules` process.
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "common/apptest.h"

namespace {

const char kGerman[] = "Paket für das PDB-Dateiformat", kEnglish[] = "PDB file format package";

struct Outcome {
  int exitCode = -1;  // 124 when it had to be stopped
  std::string description, err;
};

// `xpdb modules --json` with settings under <scratch>/user and <scratch>/machine,
// the locale variables of `env` alone, and no locale installed at all: LOCPATH
// names an empty directory, so glibc finds no locale but C and C.UTF-8. A
// process that hangs is stopped after 30 seconds.
Outcome Modules(const apptest::Scratch& scratch, const std::string& env) {
  std::filesystem::create_directories(scratch.File("nolocales"));
  const std::string command =
      "timeout -s KILL 30 env -u LC_ALL -u LC_MESSAGES -u LANGUAGE -u LANG -u LOCALEDIR " +
      std::string("-u XPDB_LIBRARY LOCPATH='") + scratch.File("nolocales") + "' XDG_CONFIG_HOME='" +
      scratch.File("user") + "' XDG_CONFIG_DIRS='" + scratch.File("machine") + "' " + env +
      " '" XPDB_BINARY_DIR "/bin/xpdb' modules --json >'" + scratch.File("out") + "' 2>'" +
      scratch.File("err") + "'";
  const int status = system(command.c_str());
  Outcome run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ostringstream out, err;
  out << std::ifstream(scratch.File("out")).rdbuf();
  err << std::ifstream(scratch.File("err")).rdbuf();
  run.err = err.str();
  if (run.exitCode == 0) run.description = nlohmann::json::parse(out.str())["package"]["description"];
  return run;
}

void WriteSettings(const apptest::Scratch& scratch, const std::string& root, const std::string& text) {
  std::filesystem::create_directories(scratch.File(root + "/Qarvex"));
  std::ofstream(scratch.File(root + "/Qarvex/3.5.conf"), std::ios::binary) << text;
}

TEST(Language, FallsBackAsWithGettextWithoutAnyInstalledLocale) {
  const apptest::Scratch scratch;
  const struct {
    std::string env;
    const char* description;
  } cases[] = {{"LANG=de", kGerman},
               {"LANG=de_DE", kGerman},
               {"LANG=de_DE@euro", kGerman},
               {"LANG=de_AT.UTF-8", kGerman},
               {"LANG=de_DE.UTF-8", kGerman},
               {"LANG=en_US.UTF-8 LANGUAGE=fr:de", kGerman},
               {"LANG=de LC_ALL=C", kEnglish},
               {"LANG=C LC_ALL=de_DE", kGerman},
               {"LANG=C LC_MESSAGES=de", kGerman},
               {"LANG=C LANGUAGE=de", kEnglish},
               {"LANG=POSIX LANGUAGE=de", kEnglish},
               {"LANG=C.UTF-8", kEnglish},
               {"", kEnglish}};
  for (const auto& c : cases) {
    const Outcome run = Modules(scratch, c.env);
    ASSERT_EQ(run.exitCode, 0) << c.env << ": " << run.err;
    EXPECT_EQ(run.description, c.description) << c.env;
  }
}

// The per-user settings that no host should ever stall on or be fooled by;
// the machine-wide file says German, so German shows that they were passed over.
TEST(Language, HostileSettingsFilesArePassedOverAtOnce) {
  const apptest::Scratch scratch;
  WriteSettings(scratch, "machine", "LANG=de\n");
  const std::string user = scratch.File("user/Qarvex/3.5.conf");
  std::filesystem::create_directories(scratch.File("user/Qarvex"));

  ASSERT_EQ(mkfifo(user.c_str(), 0600), 0);
  Outcome run = Modules(scratch, "LANG=C");
  EXPECT_EQ(run.exitCode, 0) << "a FIFO " << run.err;
  EXPECT_EQ(run.description, kGerman) << "a FIFO";
  std::filesystem::remove(user);

  for (const char* device : {"/dev/zero", "/dev/urandom"}) {
    std::filesystem::create_symlink(device, user);
    run = Modules(scratch, "LANG=C");
    EXPECT_EQ(run.exitCode, 0) << device << " " << run.err;
    EXPECT_EQ(run.description, kGerman) << device;
    std::filesystem::remove(user);
  }

  std::filesystem::create_directory(user);
  run = Modules(scratch, "LANG=C");
  EXPECT_EQ(run.description, kGerman) << "a directory";
  std::filesystem::remove(user);

  // Beyond 64 KiB the whole file is passed over, up to it every line counts.
  const std::string english = "LANG=en_US.UTF-8\n";
  WriteSettings(scratch, "user", english + std::string(64 * 1024 - english.size(), '#'));
  EXPECT_EQ(Modules(scratch, "LANG=C").description, kEnglish) << "a file at the limit";
  WriteSettings(scratch, "user", english + std::string(64 * 1024 - english.size() + 1, '#'));
  EXPECT_EQ(Modules(scratch, "LANG=C").description, kGerman) << "a file over the limit";
}

// Catalogues that are no files or no catalogues are passed over for the next language.
TEST(Language, HostileCataloguesArePassedOverAtOnce) {
  const apptest::Scratch scratch;
  auto catalogue = [&](const std::string& language) {
    std::filesystem::create_directories(scratch.File("locale/" + language + "/LC_MESSAGES"));
    return scratch.File("locale/" + language + "/LC_MESSAGES/xelto.mo");
  };
  ASSERT_EQ(mkfifo(catalogue("fr").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", catalogue("it"));
  std::ofstream(catalogue("es"), std::ios::binary)
      << std::string("\xde\x12\x04\x95\0\0\0\0\xff\xff\xff\x7f", 12);
  std::filesystem::copy_file(XPDB_BINARY_DIR "/share/locale/de/LC_MESSAGES/xelto.mo", catalogue("de"));
  const Outcome run = Modules(scratch, "LANG=de LANGUAGE=fr:it:es:de LOCALEDIR=" + scratch.File("locale"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.description, kGerman);
}

TEST(Language, SettingsWrittenOnWindowsCount) {
  const apptest::Scratch scratch;
  WriteSettings(scratch, "machine", "LANG=en_US.UTF-8\n");
  for (const std::string text : {"\xEF\xBB\xBFLANG=de_DE.UTF-8\r\n", "\xEF\xBB\xBFLANG=de\r\nLOCALEDIR=\r\n",
                                 "# Windows\r\nLANG=de\r\n"}) {
    WriteSettings(scratch, "user", text);
    const Outcome run = Modules(scratch, "LANG=C");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.description, kGerman) << text;
  }
}

}  // namespace
