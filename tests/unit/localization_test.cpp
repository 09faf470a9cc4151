// UI texts: the key table, reading language files, where they are found, and the choice of language from
// the `language` setting, the host's configuration and the user's UI language.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "localization/localization.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "settings/settings.h"
#include "test_support.h"

namespace qelvar {
namespace {

using namespace std::string_literals;

TEST(UiTexts, KeysAndTexts) {
  std::set<std::u16string> keys;
  for (int i = 0; i < kUiTextCount; ++i) {
    const auto id = static_cast<TUiText>(i);
    EXPECT_FALSE(DefaultText(id).empty()) << i;
    EXPECT_TRUE(keys.emplace(TextKey(id)).second) << i;
    EXPECT_EQ(TextIdFromKey(TextKey(id)), id) << i;
  }
  // Ordinals are fixed: other units and stored files depend on them.
  EXPECT_EQ(static_cast<int>(utSaveBefore), 13);
  EXPECT_EQ(static_cast<int>(utFileTooLarge), 60);
  EXPECT_EQ(TextKey(utOriginal), u"Original");
  EXPECT_EQ(DefaultText(utOriginal), u"original");
  EXPECT_EQ(TextIdFromKey(u"addcolumn"), utAddColumn);
  EXPECT_EQ(TextIdFromKey(u"ORIGINAL"), utOriginal);
  EXPECT_EQ(TextIdFromKey(u"AddColumn "), std::nullopt);
  EXPECT_EQ(TextIdFromKey(u"utAddColumn"), std::nullopt);
  EXPECT_EQ(TextIdFromKey(u""), std::nullopt);
  EXPECT_EQ(TextIdFromKey(u"F\u0131lters"), std::nullopt);  // dotless i is no letter A to Z
  EXPECT_EQ(UiText(static_cast<TUiText>(kUiTextCount)), u"");
  EXPECT_EQ(UiText(static_cast<TUiText>(-1)), u"");
}

TEST(LoadMessages, FileSizesAndTheSizeLimitText) {
  const std::pair<std::int64_t, const char16_t*> cases[] = {
      {0, u"0 bytes"},
      {1023, u"1023 bytes"},
      {1024, u"1024 bytes (1.0 KB)"},
      {1536, u"1536 bytes (1.5 KB)"},
      {1048575, u"1048575 bytes (1024.0 KB)"},
      {1048576, u"1048576 bytes (1.0 MB)"},
      {10000000, u"10000000 bytes (9.5 MB)"},
      {5000000000, u"5000000000 bytes (4768.4 MB)"},
  };
  for (auto [bytes, text] : cases) EXPECT_EQ(FormatFileSize(bytes), text) << bytes;
  EXPECT_EQ(FileTooLargeMessage(2000, 1999),
            u"The file could not be loaded because it exceeds the configured size limit.\r\n"
            u"File size: 2000 bytes (2.0 KB)\r\nLimit: 1999 bytes (2.0 KB)");
}

TEST(LanguageFileFormat, Lines) {
  struct Case {
    const char* name;
    std::string file;
    TUiText id;
    std::u16string expected;  // empty: the entry stays unset
  };
  const Case cases[] = {
      {"plain", "[strings]\nAddColumn=+ Spalte\n", utAddColumn, u"+ Spalte"},
      {"section and key in any case", "[Strings]\naddcolumn=x\n", utAddColumn, u"x"},
      {"blanks around everything", "  [ STRINGS ]  \n\t Filters \t=\t Filter  \n", utFilters, u"Filter"},
      {"before any section", "Filters=x\n[strings]\n", utFilters, u""},
      {"another section", "[strings]\n[other]\nFilters=x\n", utFilters, u""},
      {"line starting with =", "[strings]\n=Filters=x\n", utFilters, u""},
      {"line without =", "[strings]\nFilters x\n", utFilters, u""},
      {"unclosed header inside the section", "[strings]\n[other\nFilters=x\n", utFilters, u"x"},
      {"comments", "[strings]\n#Filters=a\n;Filters=b\n", utFilters, u""},
      {"later line wins", "[strings]\nFilters=a\nFilters=b\n", utFilters, u"b"},
      {"empty value", "[strings]\nFilters=a\nFilters=\n", utFilters, u""},
      {"second = is text", "[strings]\nFilters=a=b\n", utFilters, u"a=b"},
      {"unknown keys ignored", "[strings]\nNoSuchKey=a\nFilters=b\n", utFilters, u"b"},
      {"BOM", "\xEF\xBB\xBF[strings]\nFilters=\xD0\xA4\xD1\x96\n", utFilters, u"\u0424\u0456"},
      {"BOM with CR line ends", "\xEF\xBB\xBF[strings]\rFilters=a\r", utFilters, u"a"},
      {"CR LF", "[strings]\r\n\r\nHide=b\r\n", utHide, u"b"},
      {"bad UTF-8 becomes U+FFFD", "[strings]\nFilters=a\xFF\n", utFilters, u"a\uFFFD"},
      {"UTF-16 is not read", "\xFF\xFE[\0s\0t\0r\0i\0n\0g\0s\0]\0\n\0H\0i\0d\0e\0=\0x\0"s, utHide, u""},
      {"NUL is a control character", "[strings]\nHide=x\0\n"s, utHide, u"x"},
      {"placeholders taken literally", "[strings]\nColumn=Spalte %d\\n\n", utColumn, u"Spalte %d\\n"},
  };
  for (const auto& c : cases) {
    TUiCatalog catalog;
    ParseLanguageFile(c.file, catalog);
    EXPECT_EQ(catalog[static_cast<std::size_t>(c.id)], c.expected) << c.name;
    for (int i = 0; i < kUiTextCount; ++i) {
      if (i == c.id) continue;
      EXPECT_EQ(catalog[static_cast<std::size_t>(i)], u"") << c.name << " " << i;
    }
  }
}

TEST(LanguageFileFormat, HugeAndHostileInputStaysLinear) {
  std::string file = "[strings]\n" + std::string(4 << 20, '=') + "\n" + std::string(2 << 20, '[') + "\n";
  file += "Hide=" + std::string(2 << 20, ' ') + "x" + std::string(2 << 20, '\t') + "\n";
  for (int i = 0; i < 200000; ++i) file += "K" + std::to_string(i) + " = v\n";
  file += std::string(1 << 20, '\xC3') + "\nFilters=y";
  TUiCatalog catalog;
  ParseLanguageFile(file, catalog);
  EXPECT_EQ(catalog[utHide], u"x");
  EXPECT_EQ(catalog[utFilters], u"y");
}

// The language words of the setting and the host's language file names.
TEST(LanguageChoice, Words) {
  struct SettingCase {
    std::u16string setting;
    std::optional<TLanguage> language;
  };
  const SettingCase settings[] = {
      {u"Deutsch ", lgGerman}, {u"UKR", lgUkrainian},      {u"Russisch", lgRussian},  {u"\ten\t", lgEnglish},
      {u"Auto", std::nullopt}, {u"", std::nullopt},        {u"deu", std::nullopt},    {u"de-DE", std::nullopt},
  };
  for (const auto& c : settings) EXPECT_EQ(LanguageFromSetting(c.setting), c.language) << Utf16ToUtf8(c.setting);

  struct HostCase {
    std::u16string languageIni;
    TLanguage language;
  };
  const HostCase hosts[] = {
      {u"C:\\totalcmd\\LANGUAGE\\WCMD_DEU.LNG", lgGerman},
      {u"%COMMANDER_PATH%\\Language\\wcmd_rus.lng", lgRussian},
      {u"wcmd_ukr.lng", lgUkrainian},
      {u"C:/tc/lang/Wcmd_Deu.lng", lgGerman},
      {u"C:WCMD_RUS.LNG", lgRussian},
      {u"C:\\DEU\\wcmd_fra.lng", lgEnglish},  // only the file name counts
      {u"C:\\tc\\", lgEnglish},
      {u"wcmd_eng.lng", lgEnglish},
  };
  for (const auto& c : hosts)
    EXPECT_EQ(LanguageFromHostLanguageIni(c.languageIni), c.language) << Utf16ToUtf8(c.languageIni);

  EXPECT_EQ(LanguageFromLangId(0x0807), lgGerman);  // Swiss German: the primary language counts
  EXPECT_EQ(LanguageFromLangId(0x0422), lgUkrainian);
  EXPECT_EQ(LanguageFromLangId(0x040C), lgEnglish);
}

// A plug-in in <temp>/plugins/qelvar/qelvar.wlx64 with its own ini; no host configuration, the
// environment's COMMANDER_INI and the UI language restored afterwards.
class Localization : public ::testing::Test {
 protected:
  void SetUp() override {
    savedCommanderIni_ = platform::GetEnvironment(u"COMMANDER_INI");
    platform::SetEnvironment(u"COMMANDER_INI", std::nullopt);
    std::filesystem::create_directories(pluginDir());
    platform::OverrideModulePath((pluginDir() / "qelvar.wlx64").u16string());
    platform::OverrideUserUiLanguage(0x0409);
    ResetDefaultIniPathForTesting();
  }
  void TearDown() override {
    platform::OverrideModulePath(u"");
    platform::OverrideUserUiLanguage(0);
    platform::SetEnvironment(u"COMMANDER_INI", savedCommanderIni_);
    ResetDefaultIniPathForTesting();
    InitLocalization();  // back to the real module: no language files, English
  }

  std::filesystem::path pluginDir() const { return dir_.path() / "plugins" / "qelvar"; }
  void SetLanguageSetting(const std::string& value) {
    test::WriteBytes((pluginDir() / "qelvar.ini").u16string(), "[qelvar]\nlanguage=" + value + "\n");
  }
  // Writes a language file into "language" beside the plug-in, or into "..\language" when `up`.
  void WriteLanguageFile(const std::string& name, const std::string& content, bool up = false) {
    const auto folder = (up ? pluginDir().parent_path() : pluginDir()) / "language";
    std::filesystem::create_directories(folder);
    test::WriteBytes((folder / name).u16string(), content);
  }
  std::u16string HostConfig(const std::string& name, const std::string& content) {
    const auto path = dir_.File(name);
    test::WriteBytes(path, content);
    return path;
  }

  test::TempDir dir_;
  std::optional<std::u16string> savedCommanderIni_;
};

TEST_F(Localization, LanguageFileLocation) {
  const auto beside = (pluginDir() / "language" / "de.lng").u16string();
  const auto up = (pluginDir().parent_path() / "language" / "de.lng").u16string();
  EXPECT_EQ(LanguageFilePath(u"de.lng"), up);  // neither exists: the second place, for the loader to find missing
  TUiCatalog catalog;
  catalog[utHide] = u"kept";
  EXPECT_FALSE(LoadLanguageFile(u"de.lng", catalog));
  EXPECT_EQ(catalog[utHide], u"kept");

  WriteLanguageFile("de.lng", "[strings]\nHide=oben\n", true);
  EXPECT_EQ(LanguageFilePath(u"de.lng"), up);
  EXPECT_TRUE(LoadLanguageFile(u"de.lng", catalog));
  EXPECT_EQ(catalog[utHide], u"oben");

  WriteLanguageFile("de.lng", "[strings]\nHide=daneben\n");
  EXPECT_EQ(LanguageFilePath(u"de.lng"), beside);
  EXPECT_TRUE(LoadLanguageFile(u"de.lng", catalog));
  EXPECT_EQ(catalog[utHide], u"daneben");

  // A module in a root folder looks in the root's "language"; one without a folder looks nowhere.
  platform::OverrideModulePath(u"/qelvar.wlx64");
  EXPECT_EQ(LanguageFilePath(u"de.lng"), u"/language/de.lng");
  platform::OverrideModulePath(u"qelvar.wlx64");
  EXPECT_EQ(LanguageFilePath(u"de.lng"), u"");
  EXPECT_FALSE(LoadLanguageFile(u"de.lng", catalog));
  platform::OverrideModulePath((pluginDir() / "qelvar.wlx64").u16string());

  // A folder named like the file is no file.
  std::filesystem::create_directories(pluginDir() / "language" / "ru.lng");
  EXPECT_FALSE(LoadLanguageFile(u"ru.lng", catalog));
}

TEST_F(Localization, SettingChoosesTheLanguage) {
  WriteLanguageFile("de.lng", "[strings]\nHide=Ausblenden\nFilters=\n");
  WriteLanguageFile("ru.lng", "[strings]\nHide=\xD0\xA1\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD1\x8C\n");
  SetLanguageSetting("Deutsch ");
  InitLocalization();
  EXPECT_EQ(CurrentLanguage(), lgGerman);
  EXPECT_EQ(UiText(utHide), u"Ausblenden");
  EXPECT_EQ(UiText(utFilters), u"Filters");  // empty in the file: English
  EXPECT_EQ(UiText(utTheme), u"Theme");      // missing in the file: English

  SetLanguageSetting("rus");
  InitLocalization();  // rebuilt from scratch: nothing German remains
  EXPECT_EQ(CurrentLanguage(), lgRussian);
  EXPECT_EQ(UiText(utHide), u"\u0421\u043A\u0440\u044B\u0442\u044C");

  SetLanguageSetting("uk");  // no uk.lng: English
  InitLocalization();
  EXPECT_EQ(CurrentLanguage(), lgUkrainian);
  EXPECT_EQ(UiText(utHide), u"Hide");
}

TEST_F(Localization, EnglishFileIsTheBaseForEveryLanguage) {
  WriteLanguageFile("en.lng", "[strings]\nHide=Conceal\nTheme=Colours\nFilters=\n");
  WriteLanguageFile("de.lng", "[strings]\nHide=Ausblenden\nTheme=\n");
  SetLanguageSetting("english");
  InitLocalization();
  EXPECT_EQ(UiText(utHide), u"Conceal");
  EXPECT_EQ(UiText(utFilters), u"Filters");  // empty in en.lng: built-in text

  SetLanguageSetting("german");
  InitLocalization();
  EXPECT_EQ(UiText(utHide), u"Ausblenden");
  EXPECT_EQ(UiText(utTheme), u"Colours");  // empty in de.lng: the en.lng text
  EXPECT_EQ(UiText(utUp), u"Up");
}

TEST_F(Localization, HostConfigurationChoosesTheLanguage) {
  WriteLanguageFile("de.lng", "[strings]\nHide=Ausblenden\n");
  SetLanguageSetting("Auto");
  platform::OverrideUserUiLanguage(0x0419);  // Russian Windows, so that a fall-back to it shows

  struct Case {
    const char* name;
    std::string defaultIni;     // content of the host's default ini, or none
    std::string commanderIni;   // content of the file COMMANDER_INI names, or none
    TLanguage expected;
  };
  const Case cases[] = {
      {"default ini path", "[Configuration]\nLanguageIni=C:\\tc\\Language\\WCMD_DEU.LNG\n", "", lgGerman},
      {"lower case", "[configuration]\nlanguageini=c:\\tc\\language\\wcmd_rus.lng\n", "", lgRussian},
      {"COMMANDER_INI", "", "[Configuration]\nLanguageIni=WCMD_UKR.LNG\n", lgUkrainian},
      {"first candidate with a value wins", "[Configuration]\nLanguageIni=wcmd_deu.lng\n",
       "[Configuration]\nLanguageIni=wcmd_rus.lng\n", lgGerman},
      {"empty value is no value", "[Configuration]\nLanguageIni=\n", "[Configuration]\nLanguageIni=wcmd_ukr.lng\n",
       lgUkrainian},
      {"host without a language setting runs in English", "[Configuration]\nx=1\n", "", lgEnglish},
      {"an unknown host language", "[Configuration]\nLanguageIni=wcmd_fra.lng\n", "", lgEnglish},
      {"no host configuration: the UI language", "", "", lgRussian},
  };
  for (const auto& c : cases) {
    ResetDefaultIniPathForTesting();
    platform::SetEnvironment(u"COMMANDER_INI", std::nullopt);
    if (!c.defaultIni.empty()) SetDefaultIniPath(HostConfig("lsplugin.ini", c.defaultIni));
    if (!c.commanderIni.empty()) platform::SetEnvironment(u"COMMANDER_INI", HostConfig("wincmd.ini", c.commanderIni));
    EXPECT_EQ(DetectLanguage(), c.expected) << c.name;
    InitLocalization();
    EXPECT_EQ(CurrentLanguage(), c.expected) << c.name;
  }
  // A candidate that names no existing file does not count as a host configuration.
  ResetDefaultIniPathForTesting();
  SetDefaultIniPath(dir_.File("missing.ini"));
  platform::SetEnvironment(u"COMMANDER_INI", dir_.File("also-missing.ini"));
  platform::OverrideUserUiLanguage(0x0407);
  InitLocalization();
  EXPECT_EQ(CurrentLanguage(), lgGerman);
  EXPECT_EQ(UiText(utHide), u"Ausblenden");
}

TEST_F(Localization, UiLanguageWithAndWithoutItsFile) {
  platform::OverrideUserUiLanguage(0x0422);
  InitLocalization();  // no language setting at all: "Auto"
  EXPECT_EQ(CurrentLanguage(), lgUkrainian);
  EXPECT_EQ(UiText(utHide), u"Hide");
  WriteLanguageFile("uk.lng", "[strings]\nHide=\xD0\xA1\xD1\x85\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x82\xD0\xB8\n", true);
  InitLocalization();
  EXPECT_EQ(UiText(utHide), u"\u0421\u0445\u043E\u0432\u0430\u0442\u0438");
}

}  // namespace
}  // namespace qelvar

namespace qelvar {
namespace {

// Translated texts are edited by users: a placeholder without a value, a lone or trailing "%" and the other
// kind of placeholder must come out harmlessly.
TEST(UiTexts, PlaceholdersAreFilledInOrderAndNeverFail) {
  struct Case {
    std::u16string_view text;
    std::u16string_view numbersOut;  // with the numbers 7 and -12
    std::u16string_view stringsOut;  // with the strings "a.csv" and "x"
  };
  const Case cases[] = {
      {u"Rows: %d/%d", u"Rows: 7/-12", u"Rows: %d/%d"},
      {u"\"%s\" in %s", u"\"%s\" in %s", u"\"a.csv\" in x"},
      {u"%d %d %d", u"7 -12 ", u"%d %d %d"},
      {u"%s %s %s", u"%s %s %s", u"a.csv x "},
      {u"100%% of %d", u"100% of 7", u"100% of %d"},
      {u"ends with %", u"ends with %", u"ends with %"},
      {u"%x%", u"%x%", u"%x%"},
      {u"", u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatUiText(c.text, {7, -12}), c.numbersOut) << Utf16ToUtf8(c.text);
    EXPECT_EQ(FormatUiStrings(c.text, {u"a.csv", u"x"}), c.stringsOut) << Utf16ToUtf8(c.text);
  }
}

}  // namespace
}  // namespace qelvar
