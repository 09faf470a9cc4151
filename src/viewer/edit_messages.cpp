// The boxes editing asks and tells with.
#include "platform/wide.h"
#include "viewer/viewer.h"

namespace qelvar {

int TCsvViewer::AskUser(const std::u16string& text, UINT type) noexcept {
  const int answer = MessageBoxW(window, Wide(text), L"qelvar", type);
  return destroyed ? 0 : answer;
}

}  // namespace qelvar
