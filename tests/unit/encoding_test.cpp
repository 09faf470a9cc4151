// Encoding detection and decoding: byte tables in, encoding name, mark and text out.
#include <gtest/gtest.h>

#include <string>

#include "document/encoding.h"

namespace qelvar {
namespace {

struct DetectCase {
  const char* name;
  std::string bytes;
  std::u16string forced;
  std::u16string encoding;
  bool bom;
  std::u16string text;
  bool lossless;
};

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

class DecodeTextTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DecodeTextTest, NameMarkAndText) {
  const auto& c = GetParam();
  std::u16string text;
  TCsvEncodingInfo info;
  bool lossless = !c.lossless;
  DecodeText(c.bytes, c.forced, text, info, &lossless);
  EXPECT_EQ(info.Name, c.encoding);
  EXPECT_EQ(info.HasBom, c.bom);
  EXPECT_EQ(text, c.text);
  EXPECT_EQ(lossless, c.lossless);
}

INSTANTIATE_TEST_SUITE_P(
    Detection, DecodeTextTest,
    ::testing::Values(
        DetectCase{"Empty", "", u"", u"UTF-8", false, u"", true},
        DetectCase{"SingleAscii", "A", u"", u"UTF-8", false, u"A", true},
        DetectCase{"Utf16LeNoMark", B({0x41, 0, 0x42, 0}), u"", u"UTF-16LE", false, u"AB", true},
        DetectCase{"Utf16BeNoMark", B({0, 0x41, 0, 0x42}), u"", u"UTF-16BE", false, u"AB", true},
        DetectCase{"TruncatedUtf8IsAnsi", B({0x41, 0x42, 0xC3}), u"", u"ANSI", false, u"AB\u00C3", true},
        DetectCase{"TwoByteUtf8", B({0xC3, 0xA9}), u"", u"UTF-8", false, u"\u00E9", true},
        DetectCase{"ContinuationInLeadIsAnsi", B({0x61, 0x80, 0x62}), u"", u"ANSI", false, u"a\u20ACb", true},
        DetectCase{"ByteF8IsAnsi", B({0x61, 0xF8}), u"", u"ANSI", false, u"a\u00F8", true},
        DetectCase{"ByteFFIsAnsi", B({0x61, 0x62, 0xFF}), u"", u"ANSI", false, u"ab\u00FF", true},
        DetectCase{"Utf8Mark", B({0xEF, 0xBB, 0xBF, 'a', ',', 'b'}), u"", u"UTF-8", true, u"a,b", true},
        DetectCase{"Utf16LeMark", B({0xFF, 0xFE, 'a', 0, ',', 0}), u"", u"UTF-16LE", true, u"a,", true},
        DetectCase{"Utf16BeMark", B({0xFE, 0xFF, 0, 'a', 0, ','}), u"", u"UTF-16BE", true, u"a,", true},
        DetectCase{"Utf16LeOddLengthLosesLastByte", B({0xFF, 0xFE, 'a', 0, 'b'}), u"", u"UTF-16LE", true, u"a",
                   false},
        DetectCase{"BothFirstBytesZero", B({0, 0, 'a'}), u"", u"UTF-8", false, std::u16string(u"\0\0a", 3), true},
        DetectCase{"FourByteUtf8", B({0xF0, 0x9F, 0x98, 0x80}), u"", u"UTF-8", false, u"\U0001F600", true},
        // The structure test accepts these, but they are no UTF-8 a writer produces: when they are the
        // only non-ASCII sequences the file is ANSI, which keeps every byte.
        DetectCase{"OverlongOnlyIsAnsi", B({'a', 0xC0, 0xAF}), u"", u"ANSI", false, u"a\u00C0\u00AF", true},
        DetectCase{"SurrogateOnlyIsAnsi", B({0xED, 0xA0, 0x80}), u"", u"ANSI", false, u"\u00ED\u00A0\u20AC", true},
        DetectCase{"AboveMaxOnlyIsAnsi", B({0xF4, 0x90, 0x80, 0x80}), u"", u"ANSI", false, u"\u00F4\u0090\u20AC\u20AC",
                   true},
        // Beside a well-formed sequence they are a damaged UTF-8 file: read as UTF-8, shown as "?", lossy.
        DetectCase{"OverlongBesideUtf8StaysUtf8", B({0xC3, 0xA9, 0xC0, 0xAF}), u"", u"UTF-8", false, u"\u00E9?", false},
        DetectCase{"SurrogateBeforeUtf8StaysUtf8", B({0xED, 0xA0, 0x80, 'x', 0xE2, 0x82, 0xAC}), u"", u"UTF-8", false,
                   u"?x\u20AC", false},
        // Forced encodings recognise only their own mark.
        DetectCase{"ForcedBeKeepsLeMark", B({0xFF, 0xFE, 0, 'a'}), u"UTF-16BE", u"UTF-16BE", false,
                   u"\uFFFEa", true},
        DetectCase{"ForcedAnsiKeepsUtf8Mark", B({0xEF, 0xBB, 0xBF, 'x'}), u"ANSI", u"ANSI", false,
                   u"\u00EF\u00BB\u00BFx", true},
        DetectCase{"ForcedNameIgnoresCase", B({0xEF, 0xBB, 0xBF, 'x'}), u"utf-8", u"UTF-8", true, u"x", true},
        DetectCase{"ForcedUtf8OnAnsiBytes", B({'a', 0xE9, 'b'}), u"UTF-8", u"UTF-8", false, u"a?b", false},
        DetectCase{"ForcedLeOnAscii", "abcd", u"UTF-16LE", u"UTF-16LE", false, u"\u6261\u6463", true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(DecodeText, Cp1252UndefinedBytesSurviveAsControls) {
  // 81, 8D, 8F, 90 and 9D have no character in Windows-1252; Windows maps them to the C1 controls.
  std::u16string text;
  TCsvEncodingInfo info;
  bool lossless = false;
  DecodeText(B({0x81, 0x8D, 0x8F, 0x90, 0x9D, 0x80}), u"", text, info, &lossless);
  EXPECT_EQ(info.Name, u"ANSI");
  EXPECT_EQ(text, u"\u0081\u008D\u008F\u0090\u009D\u20AC");
  EXPECT_TRUE(lossless);
}

TEST(DecodeText, LongMixedTextCrossesTheAsciiFastPath) {
  // Non-ASCII bytes at every offset modulo eight, so the eight-byte fast path hands over correctly.
  std::string bytes;
  std::u16string expected;
  for (int k = 0; k < 40; ++k) {
    bytes += std::string(static_cast<std::size_t>(k % 9), 'x') + "\xC3\xA9";
    expected += std::u16string(static_cast<std::size_t>(k % 9), u'x') + u"\u00E9";
  }
  std::u16string text;
  TCsvEncodingInfo info;
  DecodeText(bytes, u"", text, info);
  EXPECT_EQ(info.Name, u"UTF-8");
  EXPECT_EQ(text, expected);
}

TEST(IsValidUtf8, StructureOnly) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain ascii text that is longer than eight bytes", true},
      {B({0xE2, 0x82, 0xAC}), true},
      {B({0xE2, 0x82}), false},                    // truncated at the end
      {B({0xE2, 0x41, 0xAC}), false},              // bad continuation
      {B({0xF0, 0x9F, 0x98}), false},              // truncated four-byte form
      {B({0xC1, 0xBF}), true},                     // overlong, structurally fine
      {B({0xF7, 0xBF, 0xBF, 0xBF}), true},         // above U+10FFFF, structurally fine
      {B({0xF8, 0x80, 0x80, 0x80, 0x80}), false},  // five-byte lead
      {B({0xBF}), false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << ::testing::PrintToString(c.bytes);
}

}  // namespace
}  // namespace qelvar
