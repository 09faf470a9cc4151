// Arbitrary bytes as a settings file: no crash, no hang, and every value found is one line, cleaned up, and
// converts (or fails to convert) to an integer without trouble.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qelvar;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bool hasEquals = bytes.find('=') != std::string_view::npos;
  static constexpr std::u16string_view kKeys[] = {u"font", u"font-size", u"theme-mode", u"start-mode",
                                                  u"column-delimiter", u"x", u""};
  for (const auto key : kKeys) {
    std::u16string value = u"\x01unchanged";
    const bool found = FindIniValue(bytes, key, value);
    if (!found) {
      if (value != u"\x01unchanged") std::abort();
      continue;
    }
    if (!hasEquals) std::abort();
    if (value.find_first_of(u"\r\n") != std::u16string::npos) std::abort();
    int number = 7;
    if (!ParseIniInteger(value, number) && number != 7) std::abort();
    (void)StartModeFromText(value);
    (void)ThemeModeFromText(value, number);
  }
  return 0;
}
