#include "viewer/grid/search.h"

#include <algorithm>

#include "viewer/grid/text_search.h"

namespace qelvar {

TSearchResult TGridSearch::FindNext(const std::u16string& text, int flags, int rows, int columns,
                           const std::vector<bool>& searchable,
                           const std::function<std::u16string(int, int)>& cellText, int& foundRow, int& foundColumn) {
  if (text.empty() || rows <= 0 || columns <= 0) return TSearchResult::NothingToSearch;
  const bool backwards = (flags & kSearchBackwards) != 0;
  const bool reversed = text == text_ && backwards != ((flags_ & kSearchBackwards) != 0);
  const bool restart = text != text_ || ((flags ^ flags_) & (kSearchMatchCase | kSearchWholeWords)) != 0 ||
                       ((flags & kSearchFindFirst) != 0 && !reversed);
  text_ = text;
  flags_ = flags & (kSearchMatchCase | kSearchWholeWords | kSearchBackwards);
  const int length = static_cast<int>(text.size());
  // The same request after "not found" would start over from the last match's cell and report old matches
  // as new ones.
  if (exhausted_ && !restart && !reversed) return TSearchResult::NotFound;
  exhausted_ = false;

  if (restart) {
    row_ = backwards ? rows - 1 : 0;
    column_ = backwards ? columns - 1 : 0;
    position_ = backwards ? kSearchFromEnd : 1;
  } else if (reversed) {
    // Step over the match that is shown, in the new direction.
    const long long moved = static_cast<long long>(position_) + (backwards ? -length : length);
    position_ = static_cast<int>(std::clamp<long long>(moved, 0, kSearchFromEnd));
  }
  // The grid may have changed size since the last step (the columns are rebuilt only with a restart).
  row_ = std::clamp(row_, 0, rows - 1);
  column_ = std::clamp(column_, 0, columns - 1);

  const bool matchCase = (flags & kSearchMatchCase) != 0;
  const bool wholeWords = (flags & kSearchWholeWords) != 0;
  int row = row_;
  int column = column_;
  int position = position_;
  while (row >= 0 && row < rows) {
    if (static_cast<std::size_t>(column) < searchable.size() && searchable[static_cast<std::size_t>(column)]) {
      const std::u16string cell = cellText(row, column);
      const int found = backwards ? FindLastInText(cell, text, position, matchCase, wholeWords)
                                  : FindInText(cell, text, position, matchCase, wholeWords);
      if (found > 0) {
        row_ = foundRow = row;
        column_ = foundColumn = column;
        position_ = backwards ? found : found + length;
        return TSearchResult::Found;
      }
    }
    if (backwards) {
      position = kSearchFromEnd;
      if (--column < 0) {
        column = columns - 1;
        --row;
      }
    } else {
      position = 1;
      if (++column >= columns) {
        column = 0;
        ++row;
      }
    }
  }
  // The position stays after the match that is still shown, so that a reversed request steps over it.
  exhausted_ = true;
  return TSearchResult::NotFound;
}

}  // namespace qelvar
