#include <locale.h>

#include <string>

#include <gtest/gtest.h>

#include "host/xmessage.h"
#include "package/qxm.h"
#include "package/textdomain.h"
#include "packagetest.h"

namespace {

// Each test points the settings at its own files, imports them as the
// start-up would and binds the domain again; the old state comes back after.
class Translation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE", "LANG", "LOCALEDIR"}) env.Unset(name);
    env.Set("XDG_CONFIG_HOME", (dir.Path() / "user").string());
    env.Set("XDG_CONFIG_DIRS", (dir.Path() / "machine").string());
  }
  void TearDown() override {
    // Rebinding needs the restored LOCALEDIR.
    env.Restore();
    InitTextDomain("xelto");
  }

  void Start(const std::string& userSettings, const std::string& machineSettings = "") {
    dir.WriteSettings("user", userSettings);
    dir.WriteSettings("machine", machineSettings);
    SetEnvFromRegistry("LANG");
    SetEnvFromRegistry("LOCALEDIR");
    InitTextDomain("xelto");
  }

  static std::string Catalogue() { return XPDB_LOCALE_DIR; }

  TempDir dir;
  ScopedEnv env;
};

TEST_F(Translation, GermanWhenTheSettingsSaySo) {
  if (!GermanLocaleInstalled()) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  Start("LANG=de_DE.UTF-8\n", "LOCALEDIR=" + Catalogue() + "\n");
  EXPECT_STREQ(getenv("LANG"), "de_DE.UTF-8");
  EXPECT_EQ(CatalogueDirectory(), Catalogue());

  EXPECT_STREQ(QXMPkgDescription(), "Paket für das PDB-Dateiformat");
  EXPECT_STREQ(QXMM0GetDescription(), "PDB-Geometrie-Lader Version  9");
  EXPECT_STREQ(QXMM5GetDescription(), "PDB-Geometrie-Lader Version 14");
  EXPECT_STREQ(QXMM0GRGetFilter(), "Igrip/Quest/VNC-Geometrie (*.pdb,*.*)|*.pdb;*.*");
  EXPECT_STREQ(QXMM1GRGetFilter(), "");
  // Names and versions are not texts for the user.
  EXPECT_STREQ(QXMM0GetName(), "xpdb09");
}

TEST_F(Translation, HostTextsFollowThePackageLocale) {
  if (!GermanLocaleInstalled()) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  Start("LANG=de_DE.UTF-8\nLOCALEDIR=" + Catalogue() + "\n");
  EXPECT_STREQ(xSmartPtrException().GetText(), "Unzulässiger Zugriff über einen leeren Smart-Pointer");
  env.Set("LANG", "C");
  EXPECT_STREQ(xSmartPtrException().GetText(), "Illegal smart pointer access");
}

TEST_F(Translation, HostLocaleIsLeftAlone) {
  if (!GermanLocaleInstalled()) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  Start("LANG=de_DE.UTF-8\nLOCALEDIR=" + Catalogue() + "\n");
  const std::string global = setlocale(LC_ALL, nullptr);
  const locale_t thread = uselocale(static_cast<locale_t>(0));
  EXPECT_STRNE(QXMM2GetDescription(), "PDB geometry version 10 loader");
  EXPECT_EQ(global, setlocale(LC_ALL, nullptr));
  EXPECT_EQ(thread, uselocale(static_cast<locale_t>(0)));
}

TEST_F(Translation, EnglishWithoutAGermanLocale) {
  Start("LANG=C\nLOCALEDIR=" + Catalogue() + "\n");
  EXPECT_STREQ(QXMM0GetDescription(), "PDB geometry version  9 loader");

  // A locale that is not installed falls back to the text itself.
  env.Set("LANG", "xx_XX.UTF-8");
  EXPECT_STREQ(QXMM0GetDescription(), "PDB geometry version  9 loader");
}

TEST_F(Translation, LocaleVariablesTakePrecedenceOverLang) {
  if (!GermanLocaleInstalled()) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  Start("LANG=de_DE.UTF-8\nLOCALEDIR=" + Catalogue() + "\n");
  env.Set("LC_ALL", "C");
  EXPECT_STREQ(QXMPkgDescription(), "PDB file format package");
  env.Unset("LC_ALL");
  env.Set("LC_MESSAGES", "C");
  EXPECT_STREQ(QXMPkgDescription(), "PDB file format package");
  env.Unset("LC_MESSAGES");
  EXPECT_STREQ(QXMPkgDescription(), "Paket für das PDB-Dateiformat");
}

TEST_F(Translation, NoCatalogueLeavesTextsUnchanged) {
  if (!GermanLocaleInstalled()) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  Start("LANG=de_DE.UTF-8\nLOCALEDIR=" + (dir.Path() / "none").string() + "\n");
  EXPECT_STREQ(QXMPkgDescription(), "PDB file format package");
}

TEST_F(Translation, EmptyInputGivesTheStaticEmptyText) {
  const char* fromNull = TranslateText(nullptr);
  const char empty[] = "";
  const char* fromEmpty = TranslateText(empty);
  ASSERT_NE(fromNull, nullptr);
  EXPECT_STREQ(fromNull, "");
  EXPECT_EQ(fromEmpty, fromNull);
  EXPECT_NE(fromEmpty, empty);
}

TEST_F(Translation, UnknownTextsAndEmptyDomainsChangeNothing) {
  if (!GermanLocaleInstalled()) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  Start("LANG=de_DE.UTF-8\nLOCALEDIR=" + Catalogue() + "\n");
  const char text[] = "not in the catalogue";
  EXPECT_EQ(TranslateText(text), text);
  InitTextDomain(nullptr);
  InitTextDomain("");
  EXPECT_STREQ(QXMPkgDescription(), "Paket für das PDB-Dateiformat");
}

TEST(CatalogueLocation, BesideTheBinaryWithoutLocaleDir) {
  ScopedEnv env;
  env.Unset("LOCALEDIR");
  // The test program sits in <build>/bin, as the library sits in <build>/lib.
  EXPECT_EQ(CatalogueDirectory(), std::string(XPDB_BINARY_DIR) + "/share/locale");
  env.Set("LOCALEDIR", "/somewhere/locale");
  EXPECT_EQ(CatalogueDirectory(), "/somewhere/locale");
}

}  // namespace
