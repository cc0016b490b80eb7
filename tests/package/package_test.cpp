#include <locale.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/modules.h"
#include "common/mofile.h"
#include "host/xgeometryoptimizer.h"
#include "host/xmessage.h"
#include "host/xpointset.h"
#include "host/xtrimesh.h"
#include "package/qxm.h"
#include "package/settings.h"
#include "package/textdomain.h"
#include "xpdbversion.h"

namespace {

using namespace moduletest;

// No locale variables, a per-user settings directory <root>/user and the
// machine-wide ones <root>/first and <root>/second, all empty until written.
// The environment and the bound domain come back after the test.
class Package : public ::testing::Test {
 protected:
  void SetUp() override {
    for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
    ASSERT_NE(mkdtemp(root.data()), nullptr);
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE", "LANG", "LOCALEDIR"}) unsetenv(name);
    setenv("XDG_CONFIG_HOME", (root + "/user").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (root + "/first:" + root + "/second").c_str(), 1);
  }
  void TearDown() override {
    clearenv();
    for (const std::string& entry : environment)
      setenv(entry.substr(0, entry.find('=')).c_str(), entry.c_str() + entry.find('=') + 1, 1);
    InitTextDomain("xelto");
    std::filesystem::remove_all(root);
  }
  void WriteSettings(const std::string& dir, const std::string& text) {
    std::filesystem::create_directories(root + "/" + dir + "/Qarvex");
    std::ofstream(root + "/" + dir + "/Qarvex/3.5.conf", std::ios::binary) << text;
  }
  static void Set(const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); }
  // Imports the settings as the start-up does and binds the domain again.
  void Start(const std::string& lang, const std::string& localeDir = XPDB_LOCALE_DIR) {
    WriteSettings("user", "LANG=" + lang + "\nLOCALEDIR=" + localeDir + "\n");
    SetEnvFromRegistry("LANG");
    SetEnvFromRegistry("LOCALEDIR");
    InitTextDomain("xelto");
  }

  std::string root = (std::filesystem::temp_directory_path() / "xpdb-package-XXXXXX").string();
  std::vector<std::string> environment;
};

TEST_F(Package, ModuleTable) {
  EXPECT_EQ(QXMPkgSize(), 6);
  EXPECT_EQ(std::string(QXMPkgName()) + " " + QXMPkgVersion(), "xpdb " XPDB_VERSION);
  EXPECT_STREQ(QXMPkgDescription(), "PDB file format package");
  EXPECT_STREQ(QXMCoreVersion, "3.5");
  for (int i = 0; i < 6; ++i) {
    const int v = kPdbVersion[i];
    EXPECT_EQ(kName[i](), (v < 10 ? "xpdb0" : "xpdb") + std::to_string(v));
    // Versions 8 and 9 have two blanks, so that all descriptions are as long.
    EXPECT_EQ(kDescription[i](),
              "PDB geometry version " + std::string(v < 10 ? " " : "") + std::to_string(v) + " loader");
    EXPECT_STREQ(kFilter[i](), i == 0 ? "Igrip/Quest/VNC geometry (*.pdb,*.*)|*.pdb;*.*" : "") << i;
    EXPECT_STREQ(kVersion[i](), XPDB_VERSION) << i;
    EXPECT_EQ(kSampleSize[i](), v == 14 ? 18 : 16) << i;
    EXPECT_EQ(std::pair(kType[i](), kPriority[i]()), std::pair(5, 1)) << i;
  }
}

TEST_F(Package, RecognitionLooksAtTheLeadingVersionDigitsOnly) {
  // The samples that each module accepts, then those that none does.
  const std::vector<const char*> samples[] = {
      {"9\n0\n0\n0\n0\n", "99999", "9x"},
      {"8\n0\n0\n"},
      {"10\n0\n", "1010\n0 0 0 0\n"},
      {"11\n"},
      {"12\n0", "12 whatever"},
      {"14 DENEB_PART_FILE"},
      {"13\n", "1", "", " 9\n", "\n9\n", "\t8", "+9", "09", "7", "solid x", "1 0"}};
  for (int module = 0; module < 7; ++module)
    for (const char* sample : samples[module])
      for (int i = 0; i < 6; ++i)
        EXPECT_EQ(kCanHandle[i](xTString<char>(sample)), i == module) << i << " \"" << sample << '"';
}

TEST_F(Package, OnlyModuleZeroWritesAndNeverAPointSet) {
  // The sets of each geometry: T a triangle mesh, P a point set; null: no geometry.
  const std::pair<const char*, bool> cases[] = {{nullptr, true}, {"", true},     {"TT", true},
                                                {"PTT", false},  {"TPT", false}, {"TTP", false}};
  for (const auto& [sets, moduleZero] : cases) {
    xGeometry geometry;
    for (const char* set = sets; set && *set; ++set)
      geometry.GetContainer()->AddSet(*set == 'P' ? static_cast<xGeoSet*>(new xPointSet) : new xTriMesh);
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(kCanWrite[i](sets ? &geometry : nullptr), i == 0 && moduleZero) << i << (sets ? sets : "-");
  }
  xGeometry geometry;
  geometry.GetContainer().Reset();
  for (int i = 0; i < 6; ++i) EXPECT_THROW(kCanWrite[i](&geometry), xSmartPtrException) << i;
}

TEST_F(Package, AFailedReadNotesTheObjectAndTheByteWhereItStopped) {
  const std::string triangle = "7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n";
  const std::string before = "9\n0\n0\n0\n3\n" + triangle + triangle + "7\n3\n0 0 0\n1 0 ";
  const struct {
    std::string text;
    std::vector<std::string> notes;
  } cases[] = {
      // A malformed coordinate in the third object: the stream stops at it.
      {before + "x\n0 1 0\n0\n1\n3 0 1 2\n0\n", {"object 3", "byte " + std::to_string(before.size())}},
      // An object count that promises more than there is fails in object 2.
      {"9\n0\n0\n0\n2\n" + triangle, {"object 2", "byte " + std::to_string(10 + triangle.size())}},
      // A section fails before any object.
      {"9\n0\n1\n", {"byte 6"}},
      {"9\n0\n0\n0\n1\n" + triangle, {}}};
  for (int i = 0; i < 6; ++i) {
    if (kPdbVersion[i] != 9) continue;
    for (const auto& c : cases) {
      xGeometry geometry, *host = &geometry;
      std::stringbuf text(c.text);
      xStream stream(&text);
      std::vector<std::string> notes{"PDB 9 format"};
      notes.insert(notes.end(), c.notes.begin(), c.notes.end());
      try {
        kRead[i](&stream, &host);
        EXPECT_TRUE(c.notes.empty()) << c.text;
      } catch (const xMessage& message) {
        EXPECT_FALSE(c.notes.empty()) << message.GetText();
      }
      EXPECT_EQ(stream.GetMessageContext().Notes(), notes) << c.text;
    }
  }
  // A buffer that cannot tell its position gives the object alone.
  struct Unseekable : std::stringbuf {
    using std::stringbuf::stringbuf;
    pos_type seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) override { return -1; }
  } unseekable("9\n0\n0\n0\n1\n7\n-1\n");
  xStream stream(&unseekable);
  xGeometry geometry, *host = &geometry;
  EXPECT_THROW(kRead[0](&stream, &host), xMessage);
  EXPECT_EQ(stream.GetMessageContext().Notes().back(), "object 1");
}

TEST_F(Package, ModulesReadWhatTheyWriteAsTheirVersionAndThrowFailures) {
  for (int i = 0; i < 6; ++i) {
    const int v = kPdbVersion[i];
    xGeometryOptimizer::ResetRecord();
    xGeometry geometry, *host = &geometry;
    std::stringbuf text;
    xStream stream(&text);
    EXPECT_EQ(kWrite[i](&stream, &geometry), 0) << i;
    EXPECT_TRUE(kCanHandle[i](xTString<char>(text.str().c_str()))) << text.str();
    EXPECT_EQ(kRead[i](&stream, &host), 0) << text.str();
    EXPECT_EQ(xGeometryOptimizer::GetRecord().version, v) << i;
    EXPECT_EQ(stream.GetMessageContext().Notes(),
              std::vector<std::string>{"PDB " + std::to_string(v) + " format"});

    // Two coordinate systems announced, none there.
    std::stringbuf failing((v == 14 ? "14 DENEB_PART_FILE\n0 tag" : std::to_string(v)) + "\n2\n");
    xStream failingStream(&failing);
    try {
      kRead[i](&failingStream, &host);
      ADD_FAILURE() << i << ": a failed read returned instead of throwing";
    } catch (xMessage message) {
      EXPECT_EQ(message.GetText() + std::string(message.IsWarning() ? " (warning)" : ""),
                "Error Reading Coorsyses")
          << i;
    }
  }
}

TEST_F(Package, SettingsPrecedence) {
  struct Case {
    std::string user, first, second;  // settings files; empty: none
    const char* before;               // the variable beforehand; null: unset
    std::string expected;
  };
  const std::string s = "XPDB_TEST_SETTING=", longest(1023, 'a');
  const Case cases[] = {
      {s + "per-user\n", s + "machine\n", "", "old", "per-user"},
      {"", "OTHER=1\n", s + "second\n", nullptr, "second"},
      {"", s + "first\n", s + "second\n", nullptr, "first"},
      {s + "\n", "", s + "machine\n", nullptr, "machine"},
      {s + longest + "\n", s + "short\n", "", nullptr, longest},
      {s + longest + "b\n", s + "short\n", "", nullptr, "short"},
      {s + "\n", s + std::string(2000, 'x') + "\n", "", "kept", "kept"},
      {s + "one\n" + s + "two", "", "", nullptr, "two"},
      {"# " + s + "comment\n\n   \nXPDB_TEST_SETTING_LONGER=prefix\nXPDB_TEST=shorter\nno equals sign\n" +
           "  XPDB_TEST_SETTING = spaced value \r\nOTHER=x=y\n",
       "", "", nullptr, "spaced value"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    for (const auto& [dir, text] : {std::pair{"user", c.user}, {"first", c.first}, {"second", c.second}}) {
      std::filesystem::remove_all(root + "/" + dir);
      if (!text.empty()) WriteSettings(dir, text);
    }
    Set("XPDB_TEST_SETTING", c.before);
    SetEnvFromRegistry("XPDB_TEST_SETTING");
    const char* value = getenv("XPDB_TEST_SETTING");
    EXPECT_EQ(value ? value : "<unset>", c.expected) << "case " << i;
  }
}

TEST_F(Package, DefaultSettingsDirectories) {
  using Files = std::vector<std::string>;
  // Empty variables count as unset, and so do empty entries of the list.
  Set("XDG_CONFIG_HOME", "");
  Set("XDG_CONFIG_DIRS", "");
  Set("HOME", "/home/someone");
  EXPECT_EQ(SettingsFiles(), (Files{"/home/someone/.config/Qarvex/3.5.conf", "/etc/xdg/Qarvex/3.5.conf"}));
  Set("XDG_CONFIG_HOME", nullptr);
  Set("XDG_CONFIG_DIRS", "/a::/b:");
  Set("HOME", nullptr);
  EXPECT_EQ(SettingsFiles(), (Files{"/a/Qarvex/3.5.conf", "/b/Qarvex/3.5.conf"}));
}

// Started with German settings; the locale itself need not be installed.
class German : public Package {
 protected:
  void SetUp() override {
    Package::SetUp();
    Start("de_DE.UTF-8");
  }
};

TEST_F(German, PackageAndHostTextsWhenTheSettingsSaySo) {
  const std::string global = setlocale(LC_ALL, nullptr);
  const locale_t thread = uselocale(static_cast<locale_t>(0));
  EXPECT_STREQ(QXMPkgDescription(), "Paket für das PDB-Dateiformat");
  EXPECT_STREQ(QXMM0GetDescription(), "PDB-Geometrie-Lader Version  9");
  EXPECT_STREQ(QXMM0GRGetFilter(), "Igrip/Quest/VNC-Geometrie (*.pdb,*.*)|*.pdb;*.*");
  EXPECT_STREQ(xSmartPtrException().GetText(), "Unzulässiger Zugriff über einen leeren Smart-Pointer");
  const char unknown[] = "not in the catalogue";
  EXPECT_EQ(TranslateText(unknown), unknown);
  // The host's own locale is left alone.
  EXPECT_EQ(global, setlocale(LC_ALL, nullptr));
  EXPECT_EQ(thread, uselocale(static_cast<locale_t>(0)));
  // Empty domains keep the bound one.
  InitTextDomain(nullptr);
  InitTextDomain("");
  EXPECT_STREQ(QXMPkgDescription(), "Paket für das PDB-Dateiformat");
}

TEST_F(German, LocaleVariablesOutrankLangAndMissingLocalesOrCataloguesFallBack) {
  for (const char* name : {"LC_ALL", "LC_MESSAGES"}) {
    Set(name, "C");
    EXPECT_STREQ(QXMPkgDescription(), "PDB file format package") << name;
    Set(name, nullptr);
  }
  EXPECT_STREQ(QXMPkgDescription(), "Paket für das PDB-Dateiformat");
  Set("LANG", "xx_XX.UTF-8");
  EXPECT_STREQ(QXMPkgDescription(), "PDB file format package");
  Set("LANG", "C");
  EXPECT_STREQ(xSmartPtrException().GetText(), "Illegal smart pointer access");
  Start("de_DE.UTF-8", root + "/none");
  EXPECT_STREQ(QXMPkgDescription(), "PDB file format package");
}

// The language comes from the variables as gettext reads them, each name
// falling back to shorter ones, whether or not a locale of that name exists.
TEST_F(Package, LanguageValuesFallBackAsWithGettext) {
  Set("LOCALEDIR", XPDB_LOCALE_DIR);
  InitTextDomain("xelto");
  const struct {
    const char *all, *messages, *lang, *language;
    bool german;
  } cases[] = {{nullptr, nullptr, "de", nullptr, true},
               {nullptr, nullptr, "de_DE", nullptr, true},
               {nullptr, nullptr, "de_DE@euro", nullptr, true},
               {nullptr, nullptr, "de_AT.UTF-8", nullptr, true},
               {nullptr, nullptr, "de_CH.ISO-8859-1@variant", nullptr, true},
               {nullptr, nullptr, "en_US.UTF-8", "fr:de", true},
               {nullptr, nullptr, "en_US.UTF-8", "fr:C:de", false},
               {nullptr, nullptr, "de", "en", false},
               {"C", nullptr, "de", nullptr, false},
               {nullptr, "POSIX", "de", nullptr, false},
               {"de_DE", nullptr, "C", nullptr, true},
               {"", "de", "C", nullptr, true},
               {nullptr, nullptr, "C", "de", false},
               {nullptr, nullptr, "POSIX", "de", false},
               {nullptr, nullptr, "C.UTF-8", "de", true},
               {nullptr, nullptr, "C.UTF-8", nullptr, false},
               {nullptr, nullptr, "deu", nullptr, false},
               {nullptr, nullptr, "xx_XX", nullptr, false}};
  const std::string global = setlocale(LC_ALL, nullptr);
  const locale_t thread = uselocale(static_cast<locale_t>(0));
  for (const auto& c : cases) {
    Set("LC_ALL", c.all), Set("LC_MESSAGES", c.messages), Set("LANG", c.lang), Set("LANGUAGE", c.language);
    EXPECT_STREQ(QXMPkgDescription(), c.german ? "Paket für das PDB-Dateiformat" : "PDB file format package")
        << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " " << c.lang << " "
        << (c.language ? c.language : "-");
  }
  EXPECT_EQ(global, setlocale(LC_ALL, nullptr));
  EXPECT_EQ(thread, uselocale(static_cast<locale_t>(0)));
}

// Each text comes from the first catalogue of the list that has it.
TEST_F(Package, EachTextFromTheFirstCatalogueThatHasIt) {
  const std::string locales = root + "/locale";
  for (const char* language : {"fr", "de"})
    std::filesystem::create_directories(locales + "/" + language + "/LC_MESSAGES");
  std::ofstream(locales + "/fr/LC_MESSAGES/xelto.mo", std::ios::binary)
      << mofile::MakeCatalogue({{"PDB file format package", "Paquet du format PDB"}}, true);
  std::filesystem::copy_file(std::string(XPDB_LOCALE_DIR) + "/de/LC_MESSAGES/xelto.mo",
                             locales + "/de/LC_MESSAGES/xelto.mo");
  Set("LOCALEDIR", locales.c_str());
  InitTextDomain("xelto");
  Set("LANG", "it_IT.UTF-8");
  Set("LANGUAGE", "it:fr_FR:de");
  EXPECT_STREQ(QXMPkgDescription(), "Paquet du format PDB");
  EXPECT_STREQ(QXMM0GetDescription(), "PDB-Geometrie-Lader Version  9");
  Set("LANGUAGE", "de:fr");
  EXPECT_STREQ(QXMPkgDescription(), "Paket für das PDB-Dateiformat");
  // The directory is the one named when the domain was made.
  Set("LOCALEDIR", "/nonexistent");
  EXPECT_STREQ(QXMPkgDescription(), "Paket für das PDB-Dateiformat");
}

// Without any locale variable the calling thread's own message locale names the language.
TEST_F(Package, WithoutLocaleVariablesTheThreadLocaleSpeaks) {
  Set("LOCALEDIR", XPDB_LOCALE_DIR);
  InitTextDomain("xelto");
  EXPECT_STREQ(QXMPkgDescription(), "PDB file format package");
  Set("LANGUAGE", "de");
  EXPECT_STREQ(QXMPkgDescription(), "PDB file format package") << "LANGUAGE under the C locale";
  Set("LANGUAGE", nullptr);
  const locale_t german = newlocale(LC_MESSAGES_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
  if (german == static_cast<locale_t>(0)) GTEST_SKIP() << "no de_DE.UTF-8 locale to set for the thread";
  const locale_t previous = uselocale(german);
  const std::string text = QXMPkgDescription();
  uselocale(previous);
  freelocale(german);
  EXPECT_EQ(text, "Paket für das PDB-Dateiformat");
}

TEST_F(German, TranslationsAreTheSameOnEveryThread) {
  const char* const expected = QXMPkgDescription();
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (QXMPkgDescription() != expected) ++wrong[static_cast<std::size_t>(t)];
        if (std::string(QXMM5GetDescription()) != "PDB-Geometrie-Lader Version 14")
          ++wrong[static_cast<std::size_t>(t)];
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

TEST_F(Package, CatalogueLocationAndEmptyTexts) {
  // The test program sits in <build>/bin, as the library sits in <build>/lib.
  EXPECT_EQ(CatalogueDirectory(), std::string(XPDB_BINARY_DIR) + "/share/locale");
  Set("LOCALEDIR", "/somewhere/locale");
  EXPECT_EQ(CatalogueDirectory(), "/somewhere/locale");
  const char empty[] = "";
  EXPECT_STREQ(TranslateText(nullptr), "");
  EXPECT_EQ(TranslateText(empty), TranslateText(nullptr));
  EXPECT_NE(TranslateText(empty), empty);
}

}  // namespace
