#include "viewer/grid/rows_job.h"

#include <utility>

namespace qelvar {

TRowsJob::~TRowsJob() { Cancel(); }

bool TRowsJob::Begin(TWork work, std::function<void()> notice) {
  if (worker_.joinable() || stop_.load() || !work) return false;
  work_ = std::move(work);
  notice_ = std::move(notice);
  try {
    worker_ = std::thread([this] { Run(); });
  } catch (...) {
    return false;
  }
  return true;
}

void TRowsJob::Run() noexcept {
  try {
    if (!work_(stop_, rows_) || stop_.load()) return;
  } catch (...) {
    return;  // memory ran out: the caller's rows stay as they were
  }
  done_ = true;
  if (notice_) notice_();
}

void TRowsJob::Cancel() noexcept {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
}

}  // namespace qelvar
