// The platform seam. The same tables run natively against the POSIX implementation and, cross-built,
// against the Win32 one under Wine: where the core's results depend on the system, both must agree.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/utf.h"
#include "test_support.h"

namespace qelvar {
namespace {

using platform::ReadResult;
using platform::ReplaceResult;

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(AnsiCodePage, Windows1252BothWays) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"plain", u"plain"},
      {"\x80\x8A\x9F", u"\u20AC\u0160\u0178"},
      {"\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},  // undefined bytes: C1 controls
      {"\xA0\xE9\xFF", u"\u00A0\u00E9\u00FF"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::AnsiToUtf16(c.bytes), c.text);
    std::string back;
    EXPECT_TRUE(platform::Utf16ToAnsi(c.text, back));
    EXPECT_EQ(back, c.bytes);
  }
}

TEST(AnsiCodePage, CharactersWithoutMappingAreReported) {
  struct Case {
    std::u16string text;
    std::string expected;
  };
  const Case cases[] = {
      {u"\u041F\u0440\u0438", "???"},  // Cyrillic
      {u"a\u0100b", "a?b"},            // no best fit: A with macron does not become A
      {u"x\U0001F600y", ""},           // Windows writes one default character for the pair, Wine two
      {u"\xD800", "?"},                // a lone surrogate
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_FALSE(platform::Utf16ToAnsi(c.text, out)) << Utf16ToUtf8(c.text);
    if (!c.expected.empty()) {
      EXPECT_EQ(out, c.expected);
    }
  }
  std::string empty = "x";
  EXPECT_TRUE(platform::Utf16ToAnsi(u"", empty));
  EXPECT_EQ(empty, "");
}

TEST(Files, ReadWholeFileHonoursTheLimit) {
  test::TempDir dir;
  const auto path = dir.File("data.csv");
  test::WriteBytes(path, "0123456789");
  struct Case {
    std::int64_t limit;
    ReadResult result;
    std::string bytes;
  };
  const Case cases[] = {{0, ReadResult::Ok, "0123456789"},
                        {-5, ReadResult::Ok, "0123456789"},
                        {10, ReadResult::Ok, "0123456789"},
                        {9, ReadResult::TooLarge, ""}};
  for (const auto& c : cases) {
    std::string bytes = "stale";
    std::int64_t size = -1;
    EXPECT_EQ(platform::ReadWholeFile(path, c.limit, bytes, size), c.result) << c.limit;
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(size, 10);
  }
  std::string bytes;
  std::int64_t size = 0;
  EXPECT_EQ(platform::ReadWholeFile(dir.File("missing.csv"), 0, bytes, size), ReadResult::Failed);
  EXPECT_EQ(platform::ReadWholeFile(dir.Folder(), 0, bytes, size), ReadResult::Failed);
}

TEST(Files, ReadsAFileThatIsOpenForWriting) {
  test::TempDir dir;
  const auto path = dir.File("open.csv");
  std::ofstream writer(std::filesystem::path(path), std::ios::binary);
  writer << "a,b\n" << std::flush;
  std::string bytes;
  std::int64_t size = 0;
  EXPECT_EQ(platform::ReadWholeFile(path, 0, bytes, size), ReadResult::Ok);
  EXPECT_EQ(bytes, "a,b\n");
}

TEST(Files, NonAsciiPaths) {
  test::TempDir dir;
  const std::u16string path = dir.Folder() + u"/\u0414\u0430\u043D\u043D\u044B\u0435 \u00E9.csv";
  ASSERT_TRUE(platform::WriteFileFlushed(path, "x"));
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_FALSE(platform::FolderExists(path));
  EXPECT_TRUE(platform::FolderExists(dir.Folder()));
  EXPECT_FALSE(platform::FolderExists(dir.Folder() + u"/missing"));
  std::string bytes;
  std::int64_t size = 0;
  EXPECT_EQ(platform::ReadWholeFile(path, 0, bytes, size), ReadResult::Ok);
  EXPECT_EQ(bytes, "x");
  EXPECT_TRUE(platform::DeleteFileAt(path));
  EXPECT_FALSE(platform::FileExists(path));
}

TEST(Files, SafeSavePrimitives) {
  test::TempDir dir;
  const auto target = dir.File("target.csv");
  test::WriteBytes(target, "old");

  std::u16string temp;
  ASSERT_TRUE(platform::CreateTempFileIn(dir.Folder(), temp));
  EXPECT_EQ(platform::FolderOf(temp), dir.Folder());
  EXPECT_TRUE(platform::FileExists(temp));
  ASSERT_TRUE(platform::WriteFileFlushed(temp, "new content"));
  EXPECT_EQ(platform::ReplaceFileWith(target, temp), ReplaceResult::Ok);
  EXPECT_EQ(test::ReadBytes(target), "new content");
  EXPECT_FALSE(platform::FileExists(temp));
  EXPECT_EQ(test::CountFiles(dir.path()), 1u);

  // Replacing a missing target fails and keeps the replacement.
  ASSERT_TRUE(platform::CreateTempFileIn(dir.Folder(), temp));
  EXPECT_NE(platform::ReplaceFileWith(dir.File("none.csv"), temp), ReplaceResult::Ok);
  EXPECT_TRUE(platform::FileExists(temp));

  // Moving replaces an existing file.
  ASSERT_TRUE(platform::WriteFileFlushed(temp, "moved"));
  EXPECT_TRUE(platform::MoveFileReplacing(temp, target));
  EXPECT_EQ(test::ReadBytes(target), "moved");
  EXPECT_FALSE(platform::FileExists(temp));

  EXPECT_FALSE(platform::DeleteFileAt(temp));
  EXPECT_FALSE(platform::CreateTempFileIn(dir.Folder() + u"/missing-folder", temp));
}

TEST(Files, FolderOf) {
  struct Case {
    std::u16string path, folder;
  };
  const Case cases[] = {{u"/a/b.csv", u"/a"}, {u"C:\\x\\y.csv", u"C:\\x"}, {u"b.csv", u""}, {u"/b", u"/"}};
  for (const auto& c : cases) EXPECT_EQ(platform::FolderOf(c.path), c.folder) << Utf16ToUtf8(c.path);
}

TEST(Text, LocaleComparison) {
  struct Case {
    std::u16string a, b;
    int sign;
  };
  const Case cases[] = {
      {u"apple", u"APPLE", 0},           // case ignored
      {u"a2", u"a10", -1},               // digits as numbers
      {u"file 9", u"file 10", -1},
      {u"x100", u"x99", 1},
      {u"\uFF21\uFF22", u"ab", 0},       // full-width letters equal their ASCII forms
      {u"abc", u"abd", -1},
      {u"ab", u"abc", -1},
      {u"", u"a", -1},
      {u"\u00C4pfel", u"\u00E4PFEL", 0},  // case ignored beyond ASCII
      {u"\u0411\u0435\u0442\u0430", u"\u0430\u043B\u044C\u0444\u0430", 1},
      {u"\u00C9cole", u"zebra", -1},        // an accent is no letter after z
      {u"Ecole", u"\u00C9cole", -1},        // but a difference after the letters
      {u"\u00E9cole", u"\u00C9COLE", 0},
      {u"\u00C9cole", u"Ecoles", -1},       // letters first, then accents
      {u"\u0153uvre", u"zebra", -1},
  };
  for (const auto& c : cases) {
    const auto r = platform::CompareTextLocale(c.a, c.b);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(Sign(*r), c.sign) << Utf16ToUtf8(c.a) << " vs " << Utf16ToUtf8(c.b);
    const auto back = platform::CompareTextLocale(c.b, c.a);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(Sign(*back), -c.sign);
  }
}

TEST(Text, LowerCase) {
  struct Case {
    std::u16string text, lower;
  };
  const Case cases[] = {
      {u"ABC xyz 123", u"abc xyz 123"},
      {u"\u00C4\u00D6\u00DC\u00C9", u"\u00E4\u00F6\u00FC\u00E9"},
      {u"\u041F\u0420\u0418\u0412\u0415\u0422 \u0406", u"\u043F\u0440\u0438\u0432\u0435\u0442 \u0456"},
      {u"\u0391\u0392\u0393", u"\u03B1\u03B2\u03B3"},
      {u"\u0141\u00D3D\u0179", u"\u0142\u00F3d\u017A"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ToLower(c.text), c.lower) << Utf16ToUtf8(c.text);
    std::u16string inPlace = c.text;
    platform::ToLowerInPlace(inPlace);
    EXPECT_EQ(inPlace, c.lower);
  }
}

TEST(Process, ModulePathCanBeOverridden) {
  const auto real = platform::ModulePath();
  EXPECT_FALSE(real.empty());
  EXPECT_TRUE(platform::FileExists(real));
  EXPECT_FALSE(platform::ExecutablePath().empty());
  platform::OverrideModulePath(u"/somewhere/qelvar.wlx64");
  EXPECT_EQ(platform::ModulePath(), u"/somewhere/qelvar.wlx64");
  platform::OverrideModulePath(u"");
  EXPECT_EQ(platform::ModulePath(), real);
}

TEST(Process, Environment) {
  const std::u16string name = u"QELVAR_TEST_VARIABLE";
  platform::SetEnvironment(name, u"v\u00E9rt");
  EXPECT_EQ(platform::GetEnvironment(name), std::optional<std::u16string>(u"v\u00E9rt"));
  platform::SetEnvironment(name, std::nullopt);
  EXPECT_EQ(platform::GetEnvironment(name), std::nullopt);
}

TEST(Process, UiLanguageCanBeOverridden) {
  EXPECT_NE(platform::UserUiLanguage(), 0);
  platform::OverrideUserUiLanguage(0x0419);
  EXPECT_EQ(platform::UserUiLanguage(), 0x0419);
  platform::OverrideUserUiLanguage(0);
}

TEST(Profile, WriterAndReaderAgree) {
  test::TempDir dir;
  const auto ini = dir.File("qelvar.ini");
  ASSERT_TRUE(platform::WriteProfileString(ini, u"qelvar", u"font-size", u"16"));
  ASSERT_TRUE(platform::WriteProfileString(ini, u"other", u"font-size", u"99"));
  ASSERT_TRUE(platform::WriteProfileString(ini, u"qelvar", u"header-row", u"0"));
  ASSERT_TRUE(platform::WriteProfileString(ini, u"QELVAR", u"FONT-SIZE", u"20"));  // replaces, any case

  struct Case {
    std::u16string section, key, expected;
  };
  const Case cases[] = {{u"qelvar", u"font-size", u"20"},
                        {u"qelvar", u"header-row", u"0"},
                        {u"other", u"font-size", u"99"},
                        {u"qelvar", u"missing", u"fallback"},
                        {u"nosection", u"font-size", u"fallback"}};
  for (const auto& c : cases)
    EXPECT_EQ(platform::ReadProfileString(ini, c.section, c.key, u"fallback"), c.expected) << Utf16ToUtf8(c.key);

  // One entry per key: the replaced key is not written twice.
  const std::string text = test::ReadBytes(ini);
  std::size_t count = 0;
  for (std::size_t pos = text.find("=20"); pos != std::string::npos; pos = text.find("=20", pos + 1)) ++count;
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(text.find("=16"), std::string::npos);
}

TEST(Profile, KeepsTheRestOfAnExistingFile) {
  test::TempDir dir;
  const auto ini = dir.File("host.ini");
  test::WriteBytes(ini, "; comment\r\n[Configuration]\r\nLanguageIni=WCMD_DEU.LNG\r\n[qelvar]\r\nfont=Arial\r\n");
  ASSERT_TRUE(platform::WriteProfileString(ini, u"qelvar", u"dark-theme", u"1"));
  EXPECT_EQ(platform::ReadProfileString(ini, u"Configuration", u"LanguageIni", u""), u"WCMD_DEU.LNG");
  EXPECT_EQ(platform::ReadProfileString(ini, u"qelvar", u"font", u""), u"Arial");
  EXPECT_EQ(platform::ReadProfileString(ini, u"qelvar", u"dark-theme", u""), u"1");
  EXPECT_NE(test::ReadBytes(ini).find("; comment"), std::string::npos);
}

}  // namespace
}  // namespace qelvar
