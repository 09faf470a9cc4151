// The boxes editing asks and tells with.
#include "viewer/viewer.h"
#include "win/message_box.h"

namespace qelvar {

int TCsvViewer::AskUser(const std::u16string& text, UINT type) noexcept {
  const int answer = ShowMessageBox(window, text, type);
  return life.destroyed ? 0 : answer;
}

}  // namespace qelvar
