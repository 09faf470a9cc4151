// What the viewer hands to the shell's "open" verb: a cell's link (Alt+click) and the user guide (F1).
// The shell runs whatever is registered for a scheme or a file type, and a cell's text comes from a file
// of unknown origin, so links pass an allowlist first.
#include "viewer/viewer.h"

#include <shellapi.h>

#include "grid/safe_link.h"
#include "platform/platform.h"
#include "platform/wide.h"

namespace qelvar {
namespace {

// ShellExecute reports success as a value above 32.
bool ShellOpen(HWND owner, const std::u16string& target) noexcept {
  const HINSTANCE result = ShellExecuteW(owner, L"open", Wide(target), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool IsFile(const std::u16string& path) noexcept {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

void TCsvViewer::OpenCellLink(int row, int listColumn) {
  if (row < 0 || row >= VisibleRowCount() || listColumn < 0 || listColumn >= GridColumnCount()) return;
  const std::u16string link = SafeLinkToOpen(CellText(row, listColumn));
  if (link.empty() || !ShellOpen(window, link)) MessageBeep(MB_OK);
}

void TCsvViewer::ShowHelp() noexcept {
  try {
    std::u16string path = platform::ModulePath();
    const std::size_t slash = path.find_last_of(u"\\/");
    path.erase(slash == std::u16string::npos ? 0 : slash + 1);
    path += u"qelvar.html";
    if (IsFile(path) && ShellOpen(window, path)) return;
  } catch (...) {
  }
  MessageBeep(MB_OK);
}

}  // namespace qelvar
