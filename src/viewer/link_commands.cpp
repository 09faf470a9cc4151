// What the viewer hands to the shell's "open" verb: a cell's link (Alt+click) and the user guide (F1).
// The shell runs whatever is registered for a scheme or a file type, and a cell's text comes from a file
// of unknown origin, so links pass an allowlist first.
#include "grid/safe_link.h"
#include "platform/platform.h"
#include "viewer/shell/links.h"
#include "viewer/viewer.h"

namespace qelvar {

void TCsvViewer::OpenCellLink(int row, int listColumn) {
  if (row < 0 || row >= VisibleRowCount() || listColumn < 0 || listColumn >= GridColumnCount()) return;
  const std::u16string link = SafeLinkToOpen(CellText(row, listColumn));
  if (link.empty() || !OpenWithShell(window, link)) MessageBeep(MB_OK);
}

void TCsvViewer::ShowHelp() noexcept {
  try {
    std::u16string path = platform::ModulePath();
    const std::size_t slash = path.find_last_of(u"\\/");
    path.erase(slash == std::u16string::npos ? 0 : slash + 1);
    path += u"qelvar.html";
    if (IsFile(path) && OpenWithShell(window, path)) return;
  } catch (...) {
  }
  MessageBeep(MB_OK);
}

}  // namespace qelvar
