#include "viewer/chrome/status_texts.h"

#include <algorithm>
#include <string>

#include "localization/localization.h"
#include "viewer/grid/decimal_digits.h"
#include "viewer/load/load_choices.h"

namespace qelvar {
namespace {

void AppendNumber(std::u16string& out, long long number) { out += TDecimalDigits(number).View(); }

std::u16string CommentsText(const TStatusInput& input) {
  if (input.autoComments) return FormatUiText(UiText(utCommentsAuto), {input.hiddenComments});
  if (input.commentMode == 1) return FormatUiText(UiText(utCommentsNoParse), {});
  if (input.commentMode == 2) return FormatUiText(UiText(utCommentsHidden), {input.hiddenComments});
  return FormatUiText(UiText(utCommentsParse), {});
}

std::u16string CellAndModes(const TStatusInput& input) {
  std::u16string text;
  if (input.currentRow >= 0 && input.currentColumn >= 0) {
    text = u" ";
    AppendNumber(text, input.currentRow + 1LL);
    text += u':';
    AppendNumber(text, input.currentColumn + 1LL);
  }
  if (input.editMode && input.modified) text += u" " + UiText(utEdit) + u" *";
  else if (input.editMode) text += u" " + UiText(utEdit);
  else if (input.modified) text += u" " + UiText(utModified) + u" *";
  if (input.transformedView) text += u" | " + UiText(utTransform);
  if (input.follow) text += u" | " + UiText(utFollowOn);
  if (input.selectedRows > 1) {
    if (!text.empty()) text += u" |";
    text += u" " + FormatUiText(UiText(utSelected), {input.selectedRows, input.visibleColumns});
    if (!input.stats.empty()) text += u" | " + input.stats;
  }
  if (!input.note.empty()) text += (text.empty() ? u" " : u" | ") + input.note;
  return text;
}

}  // namespace

std::u16string GroupedNumber(long long number) {
  const std::string digits = std::to_string(number < 0 ? -number : number);
  std::u16string text = number < 0 ? u"-" : u"";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += u',';
    text += static_cast<char16_t>(digits[i]);
  }
  return text;
}

std::array<std::u16string, kStatusParts> StatusTexts(const TStatusInput& input) {
  std::array<std::u16string, kStatusParts> parts;
  if (input.loading) {
    parts[0] = u" " + UiText(utLoading);
    return parts;
  }
  parts[0] = u" " + input.encoding;
  const std::u16string shown = DelimiterLabel(input.delimiter);
  parts[1] = u" " + UiText(utDelimiter) + u": " + (input.autoDelimiter ? UiText(utAuto) + u" (" + shown + u")" : shown);
  parts[2] = u" " + CommentsText(input);
  // An empty file has no header line to subtract.
  const int dataRows = std::max(input.documentRows - (input.headerRow ? 1 : 0), 0);
  // While the rest of the file is read, how far it is instead of the counts, which still grow.
  if (input.loadPercent >= 0)
    parts[3] = u" " + FormatUiStrings(UiText(utLoadingProgress),
                                      {GroupedNumber(std::min(input.loadPercent, 100)), GroupedNumber(dataRows)});
  else
    parts[3] = u" " + FormatUiText(UiText(utRows), {input.listedRows, dataRows});
  parts[4] = CellAndModes(input);
  return parts;
}

}  // namespace qelvar
