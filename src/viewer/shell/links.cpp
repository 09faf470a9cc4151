#include "viewer/shell/links.h"

#include <shellapi.h>

#include "platform/wide.h"

namespace qelvar {

// ShellExecute reports success as a value above 32.
bool OpenWithShell(HWND owner, const std::u16string& target) noexcept {
  const HINSTANCE result = ShellExecuteW(owner, L"open", Wide(target), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool IsFile(const std::u16string& path) noexcept {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace qelvar
