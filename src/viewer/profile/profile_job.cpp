#include "viewer/profile/profile_job.h"

#include <utility>

namespace qelvar {

bool TProfileJob::Begin(TColumnValues values, TDecimalSeparator separator, std::function<void()> notice) {
  // The values may not change under a worker already running.
  if (worker_.Begun()) return false;
  values_ = std::move(values);
  return worker_.Begin([this, separator, told = std::move(notice)](const std::atomic<bool>& stop) {
    try {
      const TCellSource cells = [this](std::size_t i) { return values_.At(i); };
      const TStatsProgress progress = [this, &stop](std::size_t done, std::size_t total) {
        percent_ = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        return !stop.load();
      };
      TColumnProfile profile;
      if (!ProfileColumn(values_.Count(), cells, separator, progress, profile) || stop.load()) return;
      result_ = std::move(profile);
      percent_ = 100;
      done_ = true;
    } catch (...) {
      return;  // memory ran out: no profile, no notice
    }
    if (told) told();
  });
}

}  // namespace qelvar
