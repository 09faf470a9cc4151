// The boxes editing asks and tells with, and the wording of texts that name files and columns.
#include "platform/wide.h"
#include "viewer/viewer.h"

namespace qelvar {

std::u16string FormatUiStrings(std::u16string_view text, std::initializer_list<std::u16string_view> strings) {
  std::u16string out;
  out.reserve(text.size() + 64);
  auto next = strings.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 1 < text.size()) {
      if (text[i + 1] == u's') {
        // A translated text with more placeholders than strings shows nothing for the extra ones.
        if (next != strings.end()) out += *next++;
        ++i;
        continue;
      }
      if (text[i + 1] == u'%') {
        out += u'%';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

int TCsvViewer::AskUser(const std::u16string& text, UINT type) noexcept {
  const int answer = MessageBoxW(window, Wide(text), L"qelvar", type);
  return destroyed ? 0 : answer;
}

}  // namespace qelvar
