// The cached automaton against the state lists it stands in for: the same cells must match, with a
// cache big enough to keep every state, one so small that every new state clears it, and the automatic
// choice that gives up on such a cache. Each expression searches several texts in a row, so states
// cached by one search serve the next.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "grid/filter_regex.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

using Engine = TFilterRegex::Engine;

std::u16string RandomPattern(std::mt19937& rng, int depth) {
  static const char16_t* const kAtoms[] = {
      u"a", u"b", u" ", u".", u"[ab]", u"[^a]", u"\\w", u"\\W", u"\\s", u"\u00e9", u"\U0001F600",
      u"[a-\U0001F600]", u"[^\U0001F600]", u"^", u"$", u"\\b", u"\\B"};
  static const char16_t* const kQuantifiers[] = {u"", u"", u"", u"?", u"*", u"+", u"{2}", u"{1,3}", u"{2,}"};
  std::u16string out;
  for (int atoms = 1 + static_cast<int>(rng() % 3); atoms > 0; --atoms) {
    const std::size_t pick = rng() % (std::size(kAtoms) + (depth < 2 ? 3 : 0));
    bool assertion = false;
    if (pick < std::size(kAtoms)) {
      out += kAtoms[pick];
      assertion = pick >= std::size(kAtoms) - 4;
    } else if (pick == std::size(kAtoms)) {
      out += u"(" + RandomPattern(rng, depth + 1) + u")";
    } else {
      out += u"(?:" + RandomPattern(rng, depth + 1) + u"|" + RandomPattern(rng, depth + 1) + u")";
    }
    if (!assertion) out += kQuantifiers[rng() % std::size(kQuantifiers)];
  }
  return out;
}

std::u16string RandomText(std::mt19937& rng) {
  // Word and other characters, a line feed, a surrogate pair and a high surrogate left alone.
  static const char16_t* const kPieces[] = {u"a", u"b", u"a", u" ", u"\u00e9", u"\n", u"\U0001F600", u"\xD83D"};
  std::u16string out;
  for (int n = static_cast<int>(rng() % 9); n > 0; --n) out += kPieces[rng() % std::size(kPieces)];
  return out;
}

// The three ways that must agree with the state lists, each with its own cache.
struct TEngines {
  TFilterRegex nfa, dfa, tiny, tinyAuto;
  TEngines(const std::u16string& pattern, bool lowerCase)
      : nfa(pattern, lowerCase), dfa(pattern, lowerCase), tiny(pattern, lowerCase), tinyAuto(pattern, lowerCase) {
    nfa.UseEngine(Engine::Nfa);
    dfa.UseEngine(Engine::Dfa);
    tiny.UseEngine(Engine::Dfa, 1);
    tinyAuto.UseEngine(Engine::Auto, 1);
  }
  void Check(const std::u16string& text) {
    const bool expected = nfa.Search(text);
    EXPECT_EQ(dfa.Search(text), expected) << Utf16ToUtf8(text);
    EXPECT_EQ(tiny.Search(text), expected) << "small cache, " << Utf16ToUtf8(text);
    EXPECT_EQ(tinyAuto.Search(text), expected) << "small cache, may give up, " << Utf16ToUtf8(text);
  }
};

TEST(FilterRegexDfa, AgreesWithTheStateListsOnRandomPatterns) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 2000; ++round) {
    const std::u16string pattern = RandomPattern(rng, 0);
    TEngines engines(pattern, false);
    ASSERT_TRUE(engines.nfa.Valid()) << Utf16ToUtf8(pattern);
    SCOPED_TRACE(Utf16ToUtf8(pattern));
    for (int i = 0; i < 6; ++i) engines.Check(RandomText(rng));
  }
}

TEST(FilterRegexDfa, AgreesWithTheStateListsOnEdgeCases) {
  const std::u16string texts[] = {u"",        u"a",        u" ",          u"ab ba",   u"cat",      u"a cat!",
                                  u"x\ny",    u"\U0001F600", u"a\U0001F600", u"\xD83Dx",  u"\xDE00",  u"M\u00fcller", u"m\u00fcller", u"aaaaaaaaaaaaaaaaaaaaab",
                                  u"Caf\u00e9 \u041a\u0438\u0457\u0432"};
  const struct {
    const char16_t* pattern;
    bool lowerCase;
  } patterns[] = {
      {u"", false},          {u"^", false},           {u"$", false},           {u"^$", false},
      {u"\\b", false},       {u"\\B", false},         {u"^\\B$", false},       {u"\\bcat\\b", false},
      {u"\\b\\w+$", false},  {u"a\\b", false},        {u"^a|b$", false},       {u"(^|x)a", false},
      {u"[^a]", false},      {u"[^\\n]$", false},     {u"^.$", false},         {u"\U0001F600", false},
      {u"[\\uD83D]", false}, {u"\\uDE00", false},     {u"\\uDE00|a\\Bx", false}, {u"[\U0001F600-\U0001F64F]", false},
      {u"a{3,}b", false},    {u"(a|aa){2,5}b", false}, {u"(.*a){5}b", false}, {u"[A-Z\u0410-\u042f]+", true},
      {u"M\u00dcLLER", true}, {u"\\W\\w", false},     {u"x$|^y", false},       {u"\\s\\S", false},
  };
  for (const auto& p : patterns) {
    TEngines engines(p.pattern, p.lowerCase);
    ASSERT_TRUE(engines.nfa.Valid()) << Utf16ToUtf8(p.pattern);
    SCOPED_TRACE(Utf16ToUtf8(p.pattern));
    for (const auto& text : texts) engines.Check(text);
  }
}

// The low half of a surrogate pair is no character of its own, also where a search skips ahead to the
// code units a match can begin with.
TEST(FilterRegexDfa, LowSurrogateIsNotFoundInsideAPair) {
  for (const Engine engine : {Engine::Nfa, Engine::Dfa}) {
    TFilterRegex regex(u"\\uDE00", false);
    regex.UseEngine(engine);
    EXPECT_FALSE(regex.Search(u"x\U0001F600"));
    EXPECT_TRUE(regex.Search(u"x\xDE00"));
  }
}

}  // namespace
}  // namespace qelvar
