// The settings store: the ini reader's clean-up rules on bytes, integer conversion, where the ini file is,
// and writing through the system's profile writer (WritePrivateProfileStringW under Wine, the POSIX
// profile writer natively) read back by the store's own reader.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/platform.h"
#include "platform/utf.h"
#include "settings/settings.h"
#include "test_support.h"

namespace qelvar {
namespace {

using namespace std::string_literals;

// ---- the reader on bytes ----------------------------------------------------------------------------

TEST(IniReader, CleanUpRules) {
  struct Case {
    const char* name;
    std::string ini;
    std::u16string key;
    bool found;
    std::u16string value;
  };
  const Case cases[] = {
      {"plain", "[qelvar]\nfont=Tahoma\n", u"font", true, u"Tahoma"},
      {"key before any section", "font=Tahoma\n[qelvar]\n", u"font", false, u""},
      {"key in another section", "[other]\nfont=Tahoma\n[qelvar]\nx=1\n", u"font", false, u""},
      {"letter case of key and section", "[QELVAR]\nHEADER-ROW=0\n", u"header-row", true, u"0"},
      {"blanks around the =", "[qelvar]\n  font \t=\t Tahoma  \n", u"font", true, u"Tahoma"},
      {"blanks inside the brackets", "[ qelvar ]\nfont=x\n", u"font", true, u"x"},
      {"comment after a blank", "[qelvar]\ncolor=#ff ; note\n", u"color", true, u"#ff"},
      {"# comment after a tab", "[qelvar]\nfont=Arial\t# wide\n", u"font", true, u"Arial"},
      {"; without a blank before it is data", "[qelvar]\nfont=a;b#c\n", u"font", true, u"a;b#c"},
      {"first character is never a comment", "[qelvar]\ndefault-column-delimiter=;\n", u"default-column-delimiter",
       true, u";"},
      {"nor after blanks following the =", "[qelvar]\ncolor = #ff ; note\n", u"color", true, u"#ff"},
      {"quotes keep blanks, # and ;", "[qelvar]\nfont=\" a # b ; c \" ; note\n", u"font", true, u" a # b ; c "},
      {"single quotes", "[qelvar]\nfont=' x '\n", u"font", true, u" x "},
      {"a quoted tab", "[qelvar]\ncolumn-delimiter=\"\t\"\n", u"column-delimiter", true, u"\t"},
      {"different quotes stay", "[qelvar]\nfont=\"x'\n", u"font", true, u"\"x'"},
      {"a lone quote stays", "[qelvar]\nfont=\"\n", u"font", true, u"\""},
      {"empty quotes", "[qelvar]\nfont=\"\"\n", u"font", true, u""},
      {"unbalanced quote hides the comment", "[qelvar]\nfont=\"abc ; x\n", u"font", true, u"\"abc ; x"},
      {"quote inside the value", "[qelvar]\nfont=Tom's font ; x\n", u"font", true, u"Tom's font ; x"},
      {"key without value", "[qelvar]\nfont=\nfont=late\n", u"font", true, u""},
      {"key without =", "[qelvar]\nfont\nfont=x\n", u"font", true, u"x"},
      {"second = belongs to the value", "[qelvar]\nfont==x=y\n", u"font", true, u"=x=y"},
      {"comment lines", "[qelvar]\n#font=a\n ;font=b\nfont=c\n", u"font", true, u"c"},
      {"first match wins", "[qelvar]\nfont=a\n[x]\nfont=b\n[qelvar]\nfont=c\nfont=d\n", u"font", true, u"a"},
      {"section repeated", "[qelvar]\n[x]\nfont=b\n[Qelvar]\nfont=c\n", u"font", true, u"c"},
      {"unclosed bracket is no header", "[qelvar]\n[other\nfont=x\n", u"font", true, u"x"},
      {"unopened bracket is no header", "[other]\nqelvar]\nfont=x\n", u"font", false, u""},
      {"section name with text after ]", "[qelvar] x\nfont=x\n", u"font", false, u""},
      {"header followed by a comment", "[qelvar] ; my settings\nfont-size=20\n", u"font-size", true, u"20"},
      {"header followed at once by a # comment", "[qelvar]#note\nfont=x\n", u"font", true, u"x"},
      {"a comment holding brackets", "[qelvar]\t; [a] b]\nfont=x\n", u"font", true, u"x"},
      {"another header followed by a comment", "[qelvar]\n[other] ; x\nfont=x\n", u"font", false, u""},
      {"CR line ends", "[qelvar]\rfont=a\rsize=2\r", u"size", true, u"2"},
      {"CR LF line ends", "[qelvar]\r\nfont=a\r\nsize=2\r\n", u"size", true, u"2"},
      {"no line end at the end", "[qelvar]\nfont=a", u"font", true, u"a"},
      {"control characters trimmed", "\x01[qelvar]\x02\nfont=\x03x\x1f\n", u"font", true, u"x"},
      {"BOM", "\xEF\xBB\xBF[qelvar]\nfont=a\n", u"font", true, u"a"},
      {"UTF-8 text", "[qelvar]\nfont=Caf\xC3\xA9\n", u"font", true, u"Caf\u00E9"},
      {"ANSI text", "[qelvar]\nfont=Caf\xE9 \x80\n", u"font", true, u"Caf\u00E9 \u20AC"},
      {"UTF-16 file is not read", "\xFF\xFE[\0q\0e\0l\0v\0a\0r\0]\0\n\0f\0=\0x\0"s, u"f", false, u""},
      {"empty file", "", u"font", false, u""},
      {"NUL bytes are control characters", "[qelvar]\n\0font=x\0\n"s, u"font", true, u"x"},
  };
  for (const auto& c : cases) {
    std::u16string value = u"unchanged";
    EXPECT_EQ(FindIniValue(c.ini, c.key, value), c.found) << c.name;
    EXPECT_EQ(value, c.found ? c.value : u"unchanged") << c.name;
  }
}

TEST(IniReader, HugeInputStaysLinear) {
  // A megabyte line without a line break, lines of quotes and brackets, then the wanted key.
  std::string ini = "[qelvar]\nnoise=" + std::string(4 << 20, '"') + "\n";
  ini += std::string(1 << 20, '[') + "\n" + "x=a" + std::string(1 << 20, ' ') + ";" + std::string(1 << 20, '#') + "\n";
  for (int i = 0; i < 200000; ++i) ini += "k" + std::to_string(i) + " = v ; c\n";
  ini += "font=found\n";
  std::u16string value;
  ASSERT_TRUE(FindIniValue(ini, u"font", value));
  EXPECT_EQ(value, u"found");
  ASSERT_TRUE(FindIniValue(ini, u"x", value));
  EXPECT_EQ(value, u"a");
}

TEST(IniReader, Integers) {
  struct Case {
    std::u16string text;
    bool ok;
    int value;
  };
  const Case cases[] = {
      {u"12", true, 12},
      {u"  12  ", true, 12},
      {u"+7", true, 7},
      {u"-7", true, -7},
      {u"007", true, 7},
      {u"$FF", true, 255},
      {u"$ff", true, 255},
      {u"0x1f", true, 31},
      {u"0XA66046", true, 0xA66046},
      {u"-$10", true, -16},
      {u"-0x10", true, -16},
      {u"2147483647", true, 2147483647},
      {u"-2147483648", true, -2147483647 - 1},
      {u"$FFFFFFFF", true, -1},
      {u"2147483648", false, 0},
      {u"-2147483649", false, 0},
      {u"$100000000", false, 0},
      {u"99999999999999999999999", false, 0},
      {u"12abc", false, 0},
      {u"1 2", false, 0},
      {u"1.5", false, 0},
      {u"--1", false, 0},
      {u"+", false, 0},
      {u"", false, 0},
      {u"0x", false, 0},
      {u"$", false, 0},
      {u"x12", false, 0},
      {u"0xG", false, 0},
      {u"\uFF11", false, 0},  // a full-width digit is not a digit here
  };
  for (const auto& c : cases) {
    int value = 12345;
    EXPECT_EQ(ParseIniInteger(c.text, value), c.ok) << Utf16ToUtf8(c.text);
    EXPECT_EQ(value, c.ok ? c.value : 12345) << Utf16ToUtf8(c.text);
  }
}

TEST(IniReader, Integers64) {
  struct Case {
    std::u16string text;
    bool ok;
    std::int64_t value;
  };
  const Case cases[] = {
      {u"3000000000", true, 3000000000},  // beyond 32 bits: once replaced by the default
      {u" -12 ", true, -12},
      {u"$FFFFFFFF", true, 0xFFFFFFFF},
      {u"9223372036854775807", true, INT64_MAX},
      {u"-9223372036854775808", true, INT64_MIN},
      {u"0x7FFFFFFFFFFFFFFF", true, INT64_MAX},
      {u"9223372036854775808", false, 0},
      {u"$8000000000000000", false, 0},
      {u"3e9", false, 0},
      {u"", false, 0},
  };
  for (const auto& c : cases) {
    std::int64_t value = 12345;
    EXPECT_EQ(ParseIniInteger64(c.text, value), c.ok) << Utf16ToUtf8(c.text);
    EXPECT_EQ(value, c.ok ? c.value : 12345) << Utf16ToUtf8(c.text);
  }
}

// ---- the key table --------------------------------------------------------------------------------

TEST(SettingKeys, UniqueAndEveryColourHasADarkPartner) {
  std::set<std::u16string> seen;
  for (const auto& key : SettingKeys()) {
    std::u16string folded(key.Key);
    for (auto& c : folded) c = AsciiLower(c);
    EXPECT_TRUE(seen.insert(folded).second) << Utf16ToUtf8(key.Key);
    EXPECT_EQ(FindSettingKey(folded), &key);
    const bool numeric = key.Type != TSettingType::String && key.Type != TSettingType::Word;
    EXPECT_TRUE(numeric || key.DefaultInteger == 0) << Utf16ToUtf8(key.Key);
    EXPECT_TRUE(!numeric || key.DefaultString.empty()) << Utf16ToUtf8(key.Key);
  }
  for (const auto& key : SettingKeys()) {
    if (key.Type != TSettingType::Colour) continue;
    constexpr std::u16string_view kDark = u"-dark";
    const std::u16string_view name = key.Key;
    const std::u16string partner = name.ends_with(kDark) ? std::u16string(name.substr(0, name.size() - kDark.size()))
                                                         : std::u16string(name) + std::u16string(kDark);
    const TSettingKey* other = FindSettingKey(partner);
    ASSERT_NE(other, nullptr) << Utf16ToUtf8(key.Key);
    EXPECT_EQ(other->Type, TSettingType::Colour);
  }
  EXPECT_EQ(FindSettingKey(u"no-such-key"), nullptr);
}

// ---- words ----------------------------------------------------------------------------------------

TEST(SettingWords, StartMode) {
  struct Case {
    std::u16string text;
    int mode;
  };
  const Case cases[] = {
      {u"editor", 1},      {u" Edit Mode\t", 1},  {u"EDIT", 1},         {u"editor mode", 1},  {u"1", 1},
      {u"transformer", 2}, {u"Transform", 2},     {u"transform mode", 2}, {u"transformer mode", 2},
      {u" 2 ", 2},         {u"default", 0},       {u"", 0},           {u"edit  mode", 0},   {u"01", 0},
      {u"3", 0},           {u"editing", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(StartModeFromText(c.text), c.mode) << Utf16ToUtf8(c.text);
}

TEST(SettingWords, ThemeMode) {
  struct Case {
    std::u16string text;
    int darkTheme;
    TThemeMode mode;
  };
  const Case cases[] = {
      {u"", 0, TThemeMode::Light},          {u"", 1, TThemeMode::Dark},
      {u" \t", 7, TThemeMode::Dark},        {u"auto", 0, TThemeMode::Tc},
      {u" System ", 1, TThemeMode::Tc},     {u"Total Commander", 0, TThemeMode::Tc},
      {u"0", 1, TThemeMode::Light},         {u"1", 0, TThemeMode::Dark},
      {u"LIGHT", 1, TThemeMode::Light},     {u"dark", 0, TThemeMode::Dark},
      {u"tc", 1, TThemeMode::Tc},           {u"purple", 1, TThemeMode::Tc},
      {u"2", 0, TThemeMode::Tc},            {u"totalcommander", 0, TThemeMode::Tc},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ThemeModeFromText(c.text, c.darkTheme), c.mode) << Utf16ToUtf8(c.text) << " " << c.darkTheme;
}

// ---- files ----------------------------------------------------------------------------------------

// A plug-in module in a temporary folder; the host's default ini path forgotten before and after.
class SettingsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::OverrideModulePath(dir_.File("qelvar.wlx64"));
    ResetDefaultIniPathForTesting();
  }
  void TearDown() override {
    platform::OverrideModulePath(u"");
    ResetDefaultIniPathForTesting();
  }
  std::u16string OwnIni() const { return dir_.File("qelvar.ini"); }

  test::TempDir dir_;
};

TEST_F(SettingsFiles, NoFileGivesEveryDefault) {
  for (const auto& key : SettingKeys()) {
    EXPECT_EQ(ReadString(key.Key), DefaultString(key)) << Utf16ToUtf8(key.Key);
    if (key.Type != TSettingType::String && key.Type != TSettingType::Word) {
      EXPECT_EQ(ReadInteger(key.Key), key.DefaultInteger) << Utf16ToUtf8(key.Key);
    }
  }
  EXPECT_EQ(ReadString(u"detect-string"), u"MULTIMEDIA & (ext=\"CSV\" | ext=\"TAB\" | ext=\"TSV\")");
  EXPECT_EQ(ReadString(u"column-delimiter"), u"\t");
  EXPECT_EQ(ReadInteger(u"max-file-size"), 0);
  EXPECT_EQ(ReadString(u"unknown", u"given"), u"given");
  EXPECT_EQ(ReadStartMode(), 0);
  EXPECT_EQ(ResolveThemeMode(), TThemeMode::Light);
}

TEST_F(SettingsFiles, LocationRules) {
  const auto host = dir_.File("lsplugin.ini");
  test::WriteBytes(host, "[qelvar]\nfont=FromHost\n");
  EXPECT_EQ(IniPath(), OwnIni());  // nothing given yet: the module's own ini, not yet created

  SetDefaultIniPath(u"");  // an empty path is no path
  SetDefaultIniPath(host);
  SetDefaultIniPath(dir_.File("second.ini"));  // the first path given wins
  EXPECT_EQ(GetDefaultIniPath(), host);
  EXPECT_EQ(IniPath(), host);
  EXPECT_EQ(ReadString(u"font"), u"FromHost");

  // An own ini beside the module wins even when the host's file has the section too.
  test::WriteBytes(OwnIni(), "[qelvar]\nheader-row=0\n");
  EXPECT_EQ(IniPath(), OwnIni());
  EXPECT_EQ(ReadString(u"font"), u"Arial");
  EXPECT_EQ(ReadInteger(u"header-row"), 0);
}

TEST_F(SettingsFiles, ModuleNamesWithoutOrWithSeveralDots) {
  struct Case {
    std::string module;
    std::string ini;
  };
  const Case cases[] = {{"qelvar.wlx", "qelvar.ini"}, {"qelvar", "qelvar.ini"}, {"q.v1.wlx64", "q.v1.ini"}};
  for (const auto& c : cases) {
    platform::OverrideModulePath(dir_.File(c.module));
    EXPECT_EQ(IniPath(), dir_.File(c.ini)) << c.module;
  }
  const test::TempDir dotted;  // a dot in the folder name is not an extension
  std::filesystem::create_directory(dotted.path() / "plug.ins");
  platform::OverrideModulePath((dotted.path() / "plug.ins" / "qelvar").u16string());
  EXPECT_EQ(IniPath(), (dotted.path() / "plug.ins" / "qelvar.ini").u16string());
}

TEST_F(SettingsFiles, ReadAtTheMomentOfUse) {
  test::WriteBytes(OwnIni(), "[qelvar]\nfont-size=20\n");
  EXPECT_EQ(ReadInteger(u"font-size"), 20);
  test::WriteBytes(OwnIni(), "[qelvar]\nfont-size=12abc\nstart-mode= Edit \n");
  EXPECT_EQ(ReadInteger(u"font-size"), 16);
  EXPECT_EQ(ReadInteger(u"font-size", 3), 3);
  EXPECT_EQ(ReadStartMode(), 1);
  test::WriteBytes(OwnIni(), "\xEF\xBB\xBF[qelvar]\ntheme-mode=\ndark-theme=$1\n");
  EXPECT_EQ(ResolveThemeMode(), TThemeMode::Dark);
}

// A size limit beyond 32 bits is read as written; one that cannot be read is reported, not silently
// replaced by a default that would refuse the user's file.
TEST_F(SettingsFiles, LargeOrUnreadableMaxFileSizeIsReadOrReported) {
  TSettingRead status = TSettingRead::Ok;
  EXPECT_EQ(ReadInteger64(u"max-file-size", &status), 0);
  EXPECT_EQ(status, TSettingRead::Missing);
  test::WriteBytes(OwnIni(), "[qelvar]\nmax-file-size=3000000000\n");
  EXPECT_EQ(ReadInteger64(u"max-file-size", &status), 3000000000);
  EXPECT_EQ(status, TSettingRead::Ok);
  test::WriteBytes(OwnIni(), "[qelvar]\nmax-file-size=3 GB\n");
  EXPECT_EQ(ReadInteger64(u"max-file-size", &status), 0);
  EXPECT_EQ(status, TSettingRead::Unreadable);
}

TEST_F(SettingsFiles, BadFilesGiveDefaults) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[qelvar]\r\nfont-size=30\r\n")) utf16 += std::string{c, '\0'};
  std::string binary;
  for (int i = 0; i < 65536; ++i) binary += static_cast<char>((i * 7919) >> 3);
  const Case cases[] = {
      {"empty", ""},
      {"UTF-16", utf16},
      {"binary", binary},
      {"unbalanced", "[qelvar\n[[[\n\"\"\"\n=\n=30\nfont-size\n"},
      {"tens of megabytes", std::string(24 << 20, '[')},
  };
  for (const auto& c : cases) {
    test::WriteBytes(OwnIni(), c.bytes);
    EXPECT_EQ(ReadInteger(u"font-size"), 16) << c.name;
    EXPECT_EQ(ReadString(u"font"), u"Arial") << c.name;
  }
  // A folder where the file should be is no file.
  std::filesystem::remove(std::filesystem::path(OwnIni()));
  std::filesystem::create_directory(std::filesystem::path(OwnIni()));
  EXPECT_EQ(ReadInteger(u"font-size"), 16);
  WriteInteger(u"font-size", 30);  // fails, silently
  EXPECT_EQ(ReadInteger(u"font-size"), 16);
}

TEST_F(SettingsFiles, WritesAreReadBackByTheStoresReader) {
  // A write with no ini anywhere creates the module's own ini.
  WriteInteger(u"font-size", 22);
  ASSERT_TRUE(platform::FileExists(OwnIni()));
  EXPECT_EQ(ReadInteger(u"font-size"), 22);

  WriteInteger(u"filter-row", 0);
  WriteInteger(u"header-row", 0);
  WriteInteger(u"show-line-numbers", 1);
  WriteInteger(u"font-size", -3);
  WriteString(u"font", u"Segoe UI");
  EXPECT_EQ(ReadInteger(u"filter-row"), 0);
  EXPECT_EQ(ReadInteger(u"header-row"), 0);
  EXPECT_EQ(ReadInteger(u"show-line-numbers"), 1);
  EXPECT_EQ(ReadInteger(u"font-size"), -3);
  EXPECT_EQ(ReadString(u"font"), u"Segoe UI");
  // The system's own reader sees the same file.
  EXPECT_EQ(platform::ReadProfileString(OwnIni(), u"qelvar", u"font-size", u""), u"-3");

  struct ThemeCase {
    TThemeMode mode;
    std::u16string themeMode;
    int darkTheme;
  };
  const ThemeCase themes[] = {{TThemeMode::Dark, u"dark", 1},
                              {TThemeMode::Tc, u"tc", 1},  // "tc" leaves dark-theme as it was
                              {TThemeMode::Light, u"light", 0}};
  for (const auto& t : themes) {
    WriteThemeMode(t.mode);
    EXPECT_EQ(ResolveThemeMode(), t.mode);
    EXPECT_EQ(ReadString(u"theme-mode"), t.themeMode);
    EXPECT_EQ(ReadInteger(u"dark-theme"), t.darkTheme);
  }
}

TEST_F(SettingsFiles, WritesKeepAHandEditedFile) {
  const std::string edited =
      "; my settings\r\n"
      "[other]\r\nheader-row=5\r\n"
      "[QELVAR]\r\nfont = \"Courier New\" ; fixed pitch\r\nHeader-Row=1 ; on\r\ncolumn-delimiter=\";\"\r\n"
      "[qelvar]\r\nshow-line-numbers=1\r\n";
  test::WriteBytes(OwnIni(), edited);
  WriteInteger(u"header-row", 0);
  WriteInteger(u"show-line-numbers", 0);
  EXPECT_EQ(ReadInteger(u"header-row"), 0);
  EXPECT_EQ(ReadInteger(u"show-line-numbers"), 0);
  EXPECT_EQ(ReadString(u"font"), u"Courier New");
  EXPECT_EQ(ReadString(u"column-delimiter"), u";");
  const std::string after = test::ReadBytes(OwnIni());
  EXPECT_NE(after.find("; my settings"), std::string::npos);
  EXPECT_NE(after.find("[other]\r\nheader-row=5"), std::string::npos);
}

// The system's writer takes "[qelvar] ; comment" as the section; the reader must too, or the first write
// made the reader lose the user's values (the writer keeps the line, the reader skipped its section).
TEST_F(SettingsFiles, HeaderFollowedByACommentIsTheSectionForReaderAndWriter) {
  test::WriteBytes(OwnIni(), "[qelvar] ; my settings\r\nfont-size=20\r\n");
  EXPECT_EQ(ReadInteger(u"font-size"), 20);
  WriteInteger(u"filter-row", 0);
  EXPECT_EQ(ReadInteger(u"font-size"), 20);
  EXPECT_EQ(ReadInteger(u"filter-row"), 0);
  EXPECT_EQ(platform::ReadProfileString(OwnIni(), u"qelvar", u"font-size", u""), u"20");
  const std::string after = test::ReadBytes(OwnIni());
  EXPECT_EQ(after.find("[qelvar]", 1), std::string::npos) << "the writer added a second section:\n" << after;
}

TEST_F(SettingsFiles, WritesIntoTheHostsFileWhenThereIsNoOwnIni) {
  const auto host = dir_.File("lsplugin.ini");
  test::WriteBytes(host, "[lister]\r\nx=1\r\n");
  SetDefaultIniPath(host);
  WriteInteger(u"filter-row", 0);
  EXPECT_FALSE(platform::FileExists(OwnIni()));
  EXPECT_EQ(ReadInteger(u"filter-row"), 0);
  EXPECT_EQ(platform::ReadProfileString(host, u"lister", u"x", u""), u"1");
}

TEST_F(SettingsFiles, WritesKeepTextInTheFilesEncoding) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string font;
  };
  const Case cases[] = {
      {"UTF-8 with BOM", "\xEF\xBB\xBF[qelvar]\r\nfont=Caf\xC3\xA9\r\n", u"Caf\u00E9"},
      {"UTF-8", "[qelvar]\r\nfont=Caf\xC3\xA9\r\n", u"Caf\u00E9"},
      {"ANSI", "[qelvar]\r\nfont=Caf\xE9\r\n", u"Caf\u00E9"},
  };
  for (const auto& c : cases) {
    test::WriteBytes(OwnIni(), c.bytes);
    WriteInteger(u"header-row", 0);
    EXPECT_EQ(ReadString(u"font"), c.font) << c.name;
    EXPECT_EQ(ReadInteger(u"header-row"), 0) << c.name;
  }
}

}  // namespace
}  // namespace qelvar
