#include "viewer/profile/profile_job.h"

#include <utility>

namespace qelvar {

TProfileJob::~TProfileJob() { Cancel(); }

bool TProfileJob::Begin(TColumnValues values, TDecimalSeparator separator, std::function<void()> notice) {
  if (worker_.joinable() || cancel_.load()) return false;
  values_ = std::move(values);
  separator_ = separator;
  notice_ = std::move(notice);
  try {
    worker_ = std::thread([this] { Run(); });
  } catch (...) {
    return false;
  }
  return true;
}

void TProfileJob::Run() noexcept {
  try {
    const TCellSource cells = [this](std::size_t i) { return values_.At(i); };
    const TStatsProgress progress = [this](std::size_t done, std::size_t total) {
      percent_ = total > 0 ? static_cast<int>(done * 100 / total) : 100;
      return !cancel_.load();
    };
    TColumnProfile profile;
    if (!ProfileColumn(values_.Count(), cells, separator_, progress, profile) || cancel_.load()) return;
    result_ = std::move(profile);
    percent_ = 100;
    done_ = true;
  } catch (...) {
    return;  // memory ran out: no profile, no notice
  }
  if (notice_) notice_();
}

void TProfileJob::Cancel() noexcept {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

}  // namespace qelvar
