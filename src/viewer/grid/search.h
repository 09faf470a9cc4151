// The host's find next / find previous over the grid: which cell the next match is in, from the state the
// last request left. Pure: the cells come from a function, so no window is needed.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qelvar {

// The request flags (the host's lcs_ values).
inline constexpr int kSearchFindFirst = 1;
inline constexpr int kSearchMatchCase = 2;
inline constexpr int kSearchWholeWords = 4;
inline constexpr int kSearchBackwards = 8;
// A position after any text: a backward search starts there.
inline constexpr int kSearchFromEnd = 2147483647;

enum class TSearchResult {
  NothingToSearch,  // no text, or an empty grid: nothing changes
  Found,
  NotFound,
};

// Where the last request stopped, kept between requests.
class TGridSearch {
 public:
  // The next match of `text` with `flags` in a grid of `rows` x `columns` cells, of which only the
  // columns `searchable` says (one flag per column) are looked at; `cellText(row, column)` gives a cell's
  // text. A new text, other options or the find-first flag start over (from the end when backwards); the
  // same request goes on after the last match, and a reversed direction steps over it first. After a
  // request that found nothing the same request finds nothing again until the text, the options, the
  // direction or the start change. Found sets `row` and `column`.
  TSearchResult FindNext(const std::u16string& text, int flags, int rows, int columns, const std::vector<bool>& searchable,
                const std::function<std::u16string(int, int)>& cellText, int& row, int& column);
  // Forgets the last text: the next request starts over (the columns changed, a filter, a reload).
  void Forget() noexcept { text_.clear(); }
  // Forgets everything, as a fresh viewer.
  void Reset() noexcept { *this = TGridSearch(); }

 private:
  std::u16string text_;
  int flags_ = 0;
  int row_ = 0;
  int column_ = 0;
  int position_ = 1;
  bool exhausted_ = false;
};

}  // namespace qelvar
