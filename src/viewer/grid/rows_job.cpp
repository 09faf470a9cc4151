#include "viewer/grid/rows_job.h"

#include <utility>

namespace qelvar {

bool TRowsJob::Begin(TWork work, std::function<void()> notice) {
  if (!work) return false;
  return worker_.Begin([this, run = std::move(work), told = std::move(notice)](const std::atomic<bool>& stop) {
    try {
      if (!run(stop, rows_) || stop.load()) return;
    } catch (...) {
      return;  // memory ran out: the caller's rows stay as they were
    }
    done_ = true;
    if (told) told();
  });
}

}  // namespace qelvar
