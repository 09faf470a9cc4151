// The test overrides of the module path and the user's UI language, the same for both implementations of
// the seam: an override, when set, stands in front of what the system reports.
#include <mutex>

#include "platform/platform.h"
#include "platform/system.h"

namespace qelvar::platform {
namespace {

struct TOverrides {
  std::mutex mutex;
  std::u16string modulePath;     // empty: none
  std::uint16_t uiLanguage = 0;  // 0: none
};

TOverrides& Overrides() {
  static TOverrides overrides;
  return overrides;
}

}  // namespace

std::u16string ModulePath() {
  {
    std::lock_guard lock(Overrides().mutex);
    if (!Overrides().modulePath.empty()) return Overrides().modulePath;
  }
  return SystemModulePath();
}

void OverrideModulePath(const std::u16string& path) {
  std::lock_guard lock(Overrides().mutex);
  Overrides().modulePath = path;
}

std::uint16_t UserUiLanguage() {
  {
    std::lock_guard lock(Overrides().mutex);
    if (Overrides().uiLanguage != 0) return Overrides().uiLanguage;
  }
  return SystemUiLanguage();
}

void OverrideUserUiLanguage(std::uint16_t langId) {
  std::lock_guard lock(Overrides().mutex);
  Overrides().uiLanguage = langId;
}

}  // namespace qelvar::platform
