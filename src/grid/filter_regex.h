// The regular expressions of column filters: compiled once, searched for in many cell values.
//
// Matching simulates the automaton (every live state advanced together, one pass over the text), so a
// search takes time proportional to the text length times the program size, whatever the pattern: a
// pattern that would make a backtracking engine take exponential time costs nothing extra here. The
// program size is bounded at compile time, so no filter can make a cell cost more than a fixed factor.
// The sets of live states met are cached as the states of a deterministic automaton, built as the text
// asks for them (filter_regex_dfa.h): then a character costs one table look-up, not a step of every
// live state. When the cache overflows it starts afresh; when it would do so too often for its keep, the
// search goes back to the state lists, so the bound above holds either way.
//
// Syntax (a common subset of the usual dialects):
//   literals, `.` (any character but a line feed), `^` and `$` (start and end of the cell),
//   `\b` and `\B` (word boundary or not), `[...]` and `[^...]` classes with ranges, `\d \D \w \W \s \S`,
//   `\t \n \r \f \v`, `\xHH`, `\uHHHH`, a backslash before any other punctuation for that character,
//   `(...)` and `(?:...)` groups, `|`, and the quantifiers `* + ? {n} {n,} {n,m}` (a trailing `?` for
//   laziness is accepted; it cannot change whether a cell matches).
// `{` that does not start a valid count is a literal. Backreferences, lookaround and other `\` + letter
// escapes are refused rather than silently misread. Characters are code points: a surrogate pair is one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qelvar {

class TFilterRegex {
 public:
  // Compiles `pattern`. With `lowerCase`, the pattern's literal characters and class ranges are lowered
  // so that the program matches text the caller has lower-cased with the same rules (platform::ToLower).
  // A pattern that is not valid, or too large, gives an object with Valid() false.
  TFilterRegex(std::u16string_view pattern, bool lowerCase);
  ~TFilterRegex();
  TFilterRegex(TFilterRegex&&) noexcept;
  TFilterRegex& operator=(TFilterRegex&&) noexcept;

  bool Valid() const { return valid_; }

  // True when some part of `text` matches. False for an invalid pattern. Allocates only while the cache
  // of the automaton grows to its bound (it reuses its memory when cleared); not thread-safe (the state
  // lists and the cache are reused).
  bool Search(std::u16string_view text);

  // Limits that keep a search bounded: instructions of the program, a count in {n,m}, group nesting.
  static constexpr std::size_t kMaxProgram = 5000;
  static constexpr int kMaxCount = 1000;
  static constexpr int kMaxDepth = 100;
  // Memory of the cached automaton, per expression.
  static constexpr std::size_t kDfaCacheBytes = 1 << 20;

  // How Search runs: Auto takes the cached automaton and goes back to the state lists when the cache
  // thrashes; Nfa always steps the state lists; Dfa never gives up on the cache. The last two, and a
  // small cache, are for tests that hold the two ways against each other.
  enum class Engine : std::uint8_t { Auto, Nfa, Dfa };
  void UseEngine(Engine engine, std::size_t dfaCacheBytes = kDfaCacheBytes);

  struct TRange {
    char32_t first;
    char32_t last;
  };
  struct TClass {
    std::vector<TRange> ranges;
    bool negated = false;
  };
  enum class Op : std::uint8_t { Char, Any, Class, Split, Jump, Begin, End, WordBoundary, NotWordBoundary, Match };
  struct TInst {
    Op op;
    char32_t c = 0;        // Char
    std::uint32_t x = 0;   // Split / Jump target, Class index
    std::uint32_t y = 0;   // Split second target
  };

 private:
  struct TDfa;

  bool SearchNfa(std::u16string_view text);
  bool AddState(std::vector<std::uint32_t>& list, std::uint32_t pc, std::u16string_view text, std::size_t pos);
  void NextStamp();

  bool valid_ = false;
  std::vector<TInst> program_;
  std::vector<TClass> classes_;
  std::vector<char16_t> firstUnits_;  // code units a match can start with; empty when any may
  bool anchored_ = false;             // every match starts at the beginning of the text
  // Reused between searches: the states alive at this position and the next, the stamp of the list
  // each state was last added to (one stamp per position), and the closure's stack.
  std::vector<std::uint32_t> current_, next_, seen_, stack_;
  std::uint32_t stamp_ = 0;
  Engine engine_ = Engine::Auto;
  std::unique_ptr<TDfa> dfa_;  // null when the program has too many character classes for the tables
};

}  // namespace qelvar
