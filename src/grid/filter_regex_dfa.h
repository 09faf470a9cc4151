// The cached deterministic automaton of a filter's regular expression, and the character rules it
// shares with the state lists of filter_regex.cpp. Internal to the two files.
//
// A state is the set of program positions alive after a character (before the instructions that read
// no character are followed), with what the assertions need of the past: whether the character before
// was a word character, and whether no character has been read yet. The instructions that read none
// are followed when the next character is known, so `\b`, `\B` and `$` are decided by the transition
// itself. Characters are mapped to classes first: the code points between two consecutive boundaries of
// the program's characters and ranges behave alike in every instruction, so a transition is cached per
// class, not per code point, and one table row per state covers them all (plus the end of the text).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "grid/filter_regex.h"

namespace qelvar {
namespace regex_chars {

inline char32_t CodePointAt(std::u16string_view text, std::size_t pos, std::size_t& width) {
  const char16_t c = text[pos];
  if (c >= 0xD800 && c <= 0xDBFF && pos + 1 < text.size() && text[pos + 1] >= 0xDC00 && text[pos + 1] <= 0xDFFF) {
    width = 2;
    return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[pos + 1] - 0xDC00u);
  }
  width = 1;
  return c;
}

bool IsWord(char32_t c);
// The word characters as sorted, disjoint ranges.
const std::vector<TFilterRegex::TRange>& WordRanges();

// The first position from `pos` on where a character begins with one of `units`, or npos. Never the low
// half of a surrogate pair: a search that stepped there would have read the pair as one character.
std::size_t NextStart(std::u16string_view text, std::size_t pos, const std::vector<char16_t>& units);

// Whether the reading instruction `inst` takes the character `c`.
bool Takes(const TFilterRegex::TInst& inst, const std::vector<TFilterRegex::TClass>& classes, char32_t c);

}  // namespace regex_chars

struct TFilterRegex::TDfa {
  enum class Result : std::uint8_t { NoMatch, Match, GaveUp };

  // Null when the program's characters split into too many classes for a table row per state.
  static std::unique_ptr<TDfa> Make(const TFilterRegex& regex, std::size_t cacheBytes);

  // With `mayGiveUp`, GaveUp when the cache was cleared with too few characters read for the states
  // built since the last time (the state lists are then as fast, and need no building). `regex` is the
  // one this was made for (it is passed, not kept, as the expression may have moved since).
  Result Search(const TFilterRegex& regex, std::u16string_view text, bool mayGiveUp);

 private:
  struct TState {
    std::uint32_t first;  // its positions are pcs_[first, first + size)
    std::uint32_t size;
    std::uint32_t hash;
    std::uint8_t flags;
  };
  static constexpr std::uint8_t kAfterWord = 1, kAtStart = 2;
  // Transitions that lead to no state; kUnknown is one not computed yet.
  static constexpr std::int32_t kUnknown = -1, kMatch = -2, kDead = -3, kGaveUp = -4;

  TDfa(std::size_t programSize, std::size_t cacheBytes, std::vector<char32_t> starts);

  std::uint32_t ClassOf(char32_t c) const;
  std::int32_t Step(std::int32_t state, std::uint32_t cls, std::size_t pos, bool mayGiveUp);
  // The state of the positions in kernel_ with `flags`, added when new (clearing the cache when it is
  // full); kGaveUp when the cache thrashes and `mayGiveUp`. `pos` is where the text has been read to.
  std::int32_t Find(std::uint8_t flags, std::size_t pos, bool mayGiveUp);
  std::int32_t StartState();
  void Clear();
  std::size_t Bytes() const;

  const TFilterRegex* regex_ = nullptr;  // during a search
  const std::size_t cacheBytes_;
  bool wordAssertions_ = false;    // the after-word flag matters only with \b or \B
  std::vector<char32_t> starts_;   // the first code point of each class, ascending (starts_[0] == 0)
  std::vector<bool> wordClass_;    // per class: made of word characters (classes split at their edges)
  std::uint16_t latin_[256] = {};  // the class of each code point below 256
  std::uint32_t width_ = 0;        // classes + 1: the last column is the end of the text

  std::vector<std::uint32_t> pcs_;
  std::vector<TState> states_;
  std::vector<std::int32_t> next_;   // states_.size() * width_ transitions
  std::vector<std::int32_t> slots_;  // open addressing over states_, -1 free
  std::int32_t start_ = -1;
  std::uint32_t clears_ = 0;

  // Thrash detection: characters read and states built since the cache was last cleared.
  std::size_t readSinceClear_ = 0;
  std::size_t searchReadFrom_ = 0;  // where this search's reading since the last clear began

  // Scratch of Step, kept for its capacity.
  std::vector<std::uint32_t> kernel_, stack_, mark_;
  std::uint32_t stamp_ = 0;
};

}  // namespace qelvar
