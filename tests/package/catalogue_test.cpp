#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/mofile.h"
#include "package/messagecatalogue.h"
#include "package/messagelanguages.h"

namespace {

using Names = std::vector<std::string>;
using mofile::Entries;
using mofile::MakeCatalogue;

const std::string kHeader = "Content-Type: text/plain; charset=UTF-8\n";
std::string Built(const std::string& language) {
  std::ifstream file(std::string(XPDB_LOCALE_DIR) + "/" + language + "/LC_MESSAGES/xelto.mo",
                     std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

TEST(MessageCatalogue, FindsTranslationsInEitherByteOrderAndTheBuiltCatalogue) {
  const Entries entries = {{"", kHeader},
                           {"Open", "Öffnen"},
                           {std::string("file\0files", 10), std::string("Datei\0Dateien", 13)},
                           {"Untranslated", ""},
                           {"Open", "second"}};
  for (const bool bigEndian : {false, true}) {
    const auto catalogue = MessageCatalogue::Parse(MakeCatalogue(entries, bigEndian));
    ASSERT_NE(catalogue, nullptr) << bigEndian;
    EXPECT_STREQ(catalogue->Find("Open"), "Öffnen");
    EXPECT_STREQ(catalogue->Find("file"), "Datei");  // the singular of a plural entry
    EXPECT_EQ(catalogue->Find("files"), nullptr);
    EXPECT_EQ(catalogue->Find("Untranslated"), nullptr);
    EXPECT_EQ(catalogue->Find(""), nullptr);
    EXPECT_EQ(catalogue->Find("Ope"), nullptr);
    EXPECT_EQ(catalogue->Size(), 2u);
  }
  const auto german = MessageCatalogue::Parse(Built("de"));
  ASSERT_NE(german, nullptr);
  EXPECT_STREQ(german->Find("PDB file format package"), "Paket für das PDB-Dateiformat");
  EXPECT_EQ(MessageCatalogue::Load(std::string(XPDB_LOCALE_DIR) + "/none/LC_MESSAGES/xelto.mo"), nullptr);
  EXPECT_NE(MessageCatalogue::Load(std::string(XPDB_LOCALE_DIR) + "/de/LC_MESSAGES/xelto.mo"), nullptr);
}

// Every table and string must lie inside the file and end in a NUL; a text
// in another charset would come out garbled, so such catalogues go unused.
TEST(MessageCatalogue, RefusesUnsoundCataloguesAndNeverReadsOutsideThem) {
  const std::string sound = MakeCatalogue({{"", kHeader}, {"a", "b"}});
  auto patched = [&](std::size_t offset, std::uint32_t value) {
    std::string bytes = sound;
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
    return bytes;
  };
  const std::string unsound[] = {
      "",
      sound.substr(0, 27),
      patched(0, 0x12345678),                                     // magic
      patched(4, 0x00020000),                                     // major revision 2
      patched(8, 0xffffffff),                                     // count far beyond the tables
      patched(12, static_cast<std::uint32_t>(sound.size() - 4)),  // originals' table past the end
      patched(28 + 12, 0xfffffff0),                               // a string's offset beyond the file
      patched(28 + 8, 1000),                                      // its length beyond the file
      patched(28 + 8, 2),                                         // "a" read as two bytes: no NUL after them
      sound.substr(0, sound.size() - 1),                          // the last NUL cut off
      MakeCatalogue({{"", "Content-Type: text/plain; charset=ISO-8859-1\n"}, {"a", "b"}}),
      MakeCatalogue({{"", "charset=windows-1252"}, {"a", "b"}})};
  for (std::size_t i = 0; i < std::size(unsound); ++i)
    EXPECT_EQ(MessageCatalogue::Parse(unsound[i]), nullptr) << i;
  EXPECT_NE(MessageCatalogue::Parse(MakeCatalogue({{"a", "b"}})), nullptr) << "no header: UTF-8 assumed";
  EXPECT_NE(MessageCatalogue::Parse(MakeCatalogue({{"", "charset=ASCII\n"}, {"a", "b"}})), nullptr);
  EXPECT_NE(MessageCatalogue::Parse(patched(4, 0x00010001)), nullptr) << "revision 1.1";

  // Every prefix of a real catalogue and random damage: a result or null, never a fault.
  const std::string german = Built("de");
  for (std::size_t cut = 0; cut < german.size(); ++cut) {
    const auto catalogue = MessageCatalogue::Parse(german.substr(0, cut));
    const char* found = catalogue ? catalogue->Find("PDB file format package") : nullptr;
    EXPECT_TRUE(!found || std::string(found) == "Paket für das PDB-Dateiformat") << cut;
  }
  std::mt19937 random(1312);
  std::uniform_int_distribution<std::size_t> where(0, german.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int variant = 0; variant < 3000; ++variant) {
    std::string damaged = german;
    for (int n = 0; n <= variant % 4; ++n) damaged[where(random)] = static_cast<char>(byte(random));
    if (const auto catalogue = MessageCatalogue::Parse(damaged)) {
      const char* found = catalogue->Find("PDB 9 format");
      EXPECT_TRUE(!found || std::string(found).size() < german.size()) << variant;
    }
  }
}

TEST(MessageLanguages, EveryNameFallsBackAsGettextDoes) {
  EXPECT_EQ(LocaleNameVariants("de"), Names{"de"});
  EXPECT_EQ(LocaleNameVariants("de_DE"), (Names{"de_DE", "de"}));
  EXPECT_EQ(LocaleNameVariants("de_AT.UTF-8"),
            (Names{"de_AT.UTF-8", "de_AT.utf8", "de_AT", "de.UTF-8", "de.utf8", "de"}));
  EXPECT_EQ(LocaleNameVariants("de_DE.utf8"), (Names{"de_DE.utf8", "de_DE", "de.utf8", "de"}));
  EXPECT_EQ(LocaleNameVariants("de_DE@euro"), (Names{"de_DE@euro", "de@euro", "de_DE", "de"}));
  EXPECT_EQ(LocaleNameVariants("de_DE.ISO-8859-15@euro"),
            (Names{"de_DE.ISO-8859-15@euro", "de_DE.iso885915@euro", "de_DE@euro", "de.ISO-8859-15@euro",
                   "de.iso885915@euro", "de@euro", "de_DE.ISO-8859-15", "de_DE.iso885915", "de_DE",
                   "de.ISO-8859-15", "de.iso885915", "de"}));
  EXPECT_EQ(LocaleNameVariants("sr.8859-5"), (Names{"sr.8859-5", "sr.iso88595", "sr"}));
  EXPECT_EQ(LocaleNameVariants("de_.@"), Names{"de"});
  EXPECT_EQ(LocaleNameVariants("_DE"), Names{});
}

TEST(MessageLanguages, LanguageListOutranksTheLocaleExceptTheCLocale) {
  EXPECT_EQ(MessageLanguages(nullptr, "de_DE"), (Names{"de_DE", "de"}));
  EXPECT_EQ(MessageLanguages("", "de"), Names{"de"});
  EXPECT_EQ(MessageLanguages("fr:de_CH", "de_DE"), (Names{"fr", "de_CH", "de"}));
  EXPECT_EQ(MessageLanguages("::fr::", "en_US.UTF-8"), Names{"fr"});
  EXPECT_EQ(MessageLanguages("fr:C:de", "en_US"), Names{"fr"});
  EXPECT_EQ(MessageLanguages("POSIX:de", "en_US"), Names{});
  for (const char* c : {"C", "POSIX", "", static_cast<const char*>(nullptr)})
    EXPECT_EQ(MessageLanguages("de", c), Names{}) << (c ? c : "null");
  // Unlike plain C, the C.UTF-8 locale lets LANGUAGE choose, as with glibc.
  EXPECT_EQ(MessageLanguages("de", "C.UTF-8"), Names{"de"});
  EXPECT_EQ(MessageLanguages(nullptr, "C.UTF-8"), (Names{"C.UTF-8", "C.utf8", "C"}));
  EXPECT_EQ(MessageLanguages("../../tmp:/etc:de", "en"), Names{"de"});
  EXPECT_EQ(MessageLanguages(nullptr, "../x"), Names{});
}

}  // namespace
