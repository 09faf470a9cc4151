// Reading the file again with another encoding, delimiter or comment handling, chosen in the status bar's
// popups. The new document is built aside, so a file that can no longer be read leaves the grid as it was.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

struct TLoadChoices {
  std::u16string encodingName;
  char16_t delimiter = 0;
  bool autoDelimiter = true;
  int commentMode = 0;
  bool autoComments = false;
};

}  // namespace

bool TCsvViewer::ApplyStatusChoice(int id) {
  const TLoadChoices previous{encodingName, delimiter, autoDelimiter, commentMode, autoComments};
  switch (id) {
    case cmEncodingAnsi: encodingName = u"ANSI"; break;
    case cmEncodingUtf8: encodingName = u"UTF-8"; break;
    case cmEncodingUtf16Le: encodingName = u"UTF-16LE"; break;
    case cmEncodingUtf16Be: encodingName = u"UTF-16BE"; break;
    case cmDelimiterComma:
    case cmDelimiterSemicolon:
    case cmDelimiterBar:
    case cmDelimiterTab:
    case cmDelimiterColon: {
      constexpr char16_t kDelimiters[] = {u',', u';', u'|', u'\t', u':'};
      autoDelimiter = false;
      delimiter = kDelimiters[id - cmDelimiterComma];
      break;
    }
    case cmDelimiterAuto:
      autoDelimiter = true;
      delimiter = 0;
      break;
    case cmCommentsParse:
    case cmCommentsNoParse:
    case cmCommentsHide:
      autoComments = false;
      commentMode = id - cmCommentsParse;
      break;
    case cmCommentsAuto:
      autoComments = true;
      commentMode = 3;
      break;
    default: return false;
  }

  TLoadFailure failure;
  const TReloadResult result = Reload(failure);
  if (destroyed) return true;
  if (result == TReloadResult::Reloaded) {
    if (id >= cmCommentsParse && id <= cmCommentsAuto) PlaceFilterEdits();
    return true;
  }
  encodingName = previous.encodingName;
  delimiter = previous.delimiter;
  autoDelimiter = previous.autoDelimiter;
  commentMode = previous.commentMode;
  autoComments = previous.autoComments;
  // A reload the save question stopped has already said why (a failed save shows its own box).
  if (result == TReloadResult::Failed) ShowError(utFileReloadFailed, failure);
  return true;
}

TCsvViewer::TReloadResult TCsvViewer::Reload(TLoadFailure& failure) {
  failure = TLoadFailure{};
  if (!ConfirmSaveBefore(utReloading) || destroyed) return TReloadResult::Declined;
  if (!loaded || !model) return TReloadResult::Failed;

  KillTimer(window, kDecodeTimer);
  KillTimer(window, kFilterTimer);
  const int lineNumberWidth = showLineNumbers && listView ? ListView_GetColumnWidth(listView, 0) : 0;

  TLoadRequest request;
  request.encoding = encodingName;
  request.delimiter = autoDelimiter ? char16_t{0} : delimiter;
  request.commentMode = commentMode;
  TLoadedDocument fresh;
  if (!LoadDocument(request, fresh)) {
    failure = fresh.failure;
    // The old document stays, and so does what was under way: its background decoding, and filter text
    // typed just before, which would otherwise sit in its box without filtering.
    if (document && document->HasUndecodedCells()) SetTimer(window, kDecodeTimer, kDecodeTickMs, nullptr);
    if (std::find(pendingFilters.begin(), pendingFilters.end(), true) != pendingFilters.end())
      SetTimer(window, kFilterTimer, kFilterDelayMs, nullptr);
    return TReloadResult::Failed;
  }

  // Selected records stay selected by document row where the new grid lists them.
  RebuildVisibleRows(
      [&] {
        InstallDocument(std::move(fresh));
        currentRow = -1;
        currentColumn = -1;
        searchText.clear();
        searchFlags = 0;
        searchRow = 0;
        searchColumn = 0;
        searchPos = 1;
        searchExhausted = false;
        if (lineNumberWidth > 0 && showLineNumbers) ListView_SetColumnWidth(listView, 0, lineNumberWidth);
      },
      false);
  PlaceFilterEdits();
  if (listView) RedrawWindow(listView, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  return TReloadResult::Reloaded;
}

}  // namespace qelvar
