// The filters' regular expressions: checked against the standard library's engine on random small
// patterns and texts, and on the patterns that make backtracking engines take exponential time.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>

#include "grid/filter_regex.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

std::string RandomPattern(std::mt19937& rng, int depth) {
  std::string out;
  const int atoms = 1 + static_cast<int>(rng() % 3);
  for (int i = 0; i < atoms; ++i) {
    switch (rng() % (depth > 2 ? 6 : 8)) {
      case 0: out += "a"; break;
      case 1: out += "b"; break;
      case 2: out += "."; break;
      case 3: out += "[ab]"; break;
      case 4: out += "[^a]"; break;
      case 5: out += (rng() % 2) ? "^" : "$"; break;
      case 6: out += "(" + RandomPattern(rng, depth + 1) + ")"; break;
      default: out += "(?:" + RandomPattern(rng, depth + 1) + "|" + RandomPattern(rng, depth + 1) + ")"; break;
    }
    if (out.back() == '^' || out.back() == '$') continue;
    // Groups get bounded counts only: stars over stars send the standard engine into exponential time.
    static const char* const kQuantifiers[] = {"", "", "", "?", "{2}", "{1,2}", "*", "+", "{0,}", "*?"};
    const std::size_t choices = out.back() == ')' ? 6 : std::size(kQuantifiers);
    out += kQuantifiers[rng() % choices];
  }
  return out;
}

TEST(FilterRegex, AgreesWithTheStandardEngineOnRandomPatterns) {
  std::mt19937 rng(4711);
  for (int round = 0; round < 3000; ++round) {
    const std::string pattern = RandomPattern(rng, 0);
    std::string text;
    for (int n = static_cast<int>(rng() % 8); n > 0; --n) text += "abc"[rng() % 3];
    TFilterRegex regex(Utf8ToUtf16(pattern), false);
    ASSERT_TRUE(regex.Valid()) << pattern;
    bool expected = false;
    try {
      expected = std::regex_search(text, std::regex(pattern, std::regex::ECMAScript));
    } catch (const std::regex_error&) {
      continue;  // a form the standard engine refuses ("(^)*"): nothing to compare with
    }
    EXPECT_EQ(regex.Search(Utf8ToUtf16(text)), expected) << "/" << pattern << "/ on \"" << text << "\"";
  }
}

TEST(FilterRegex, SyntaxAndCharacters) {
  struct Case {
    const char* pattern;
    const char* text;
    bool matches;
  };
  const Case cases[] = {
      {"a{3}", "xaaay", true},      {"a{3}", "aa", false},         {"^a{2,}$", "aaaa", true},
      {"x{", "ax{b", true},         {"x{,2}", "x{,2}", true},      {"a\\.b", "a.b", true},
      {"a\\.b", "axb", false},      {"\\x41\\u00e9", "A\xC3\xA9", true}, {"[\\d.]+$", "v1.2", true},
      {"[a\\-z]", "-", true},       {"[]a]", "]", true},           {"[^\\s]", "  ", false},
      {"\\bcat\\b", "a cat!", true}, {"\\bcat\\b", "cats", false}, {"\\Bat", "cat", true},
      {"^.$", "\xF0\x9F\x98\x80", true},  // a surrogate pair is one character
      {"^[\xF0\x9F\x98\x80-\xF0\x9F\x98\x8F]$", "\xF0\x9F\x98\x85", true},
      {"a.b", "a\nb", false},        {"a[^x]b", "a\nb", true},      {"", "", true},
      {"(|a)b", "b", true},          {"a|", "x", true},
  };
  for (const auto& c : cases) {
    TFilterRegex regex(Utf8ToUtf16(c.pattern), false);
    ASSERT_TRUE(regex.Valid()) << c.pattern;
    EXPECT_EQ(regex.Search(Utf8ToUtf16(c.text)), c.matches) << c.pattern << " on " << c.text;
  }
}

TEST(FilterRegex, RefusesWhatItCannotDoOrBound) {
  for (const char* bad : {"(a", "a)", "[a", "?a", "a+*", "\\k", "\\p{L}", "(?<n>a)", "(?!a)", "a{1001}",
                          "(a{1000}){1000}", "^*", "\\b+"}) {
    TFilterRegex regex(Utf8ToUtf16(bad), false);
    EXPECT_FALSE(regex.Valid()) << bad;
    EXPECT_FALSE(regex.Search(u"a")) << bad;
  }
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "(";
  EXPECT_FALSE(TFilterRegex(Utf8ToUtf16(deep), false).Valid());  // no stack overflow either
}

// The patterns that take a backtracking engine exponential time, on a cell of a million characters: here
// each costs one pass (the figure is in bench-filter; a hang here would time the test out).
TEST(FilterRegex, PathologicalPatternsOnAMegabyteCell) {
  const std::u16string cell(1 << 20, u'a');
  for (const char16_t* pattern : {u"(a+)+$b", u"(a|aa)*c", u"(a*)*b", u"^(a|a?)+$x"}) {
    TFilterRegex regex(pattern, false);
    ASSERT_TRUE(regex.Valid());
    EXPECT_FALSE(regex.Search(cell));
  }
  TFilterRegex tail(u"(a+)+b", false);
  EXPECT_TRUE(tail.Search(cell + u"b"));
}

}  // namespace
}  // namespace qelvar
