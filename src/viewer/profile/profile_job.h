// A column's profile computed on a worker thread, over values copied out of the document beforehand: the
// window's thread stays free for the grid, and the document (which decodes its values lazily, writing as
// it reads) is never read from two threads. Portable: the viewer's notice posts a message to its window.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "grid/column_stats.h"
#include "viewer/worker.h"

namespace qelvar {

// Values in one buffer (a value each between two ends): a copy of a column of millions of rows costs one
// allocation, not one per value.
class TColumnValues {
 public:
  void Add(std::u16string_view value) {
    text_.append(value);
    ends_.push_back(text_.size());
  }
  std::size_t Count() const noexcept { return ends_.size(); }
  std::u16string_view At(std::size_t i) const noexcept {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::u16string_view(text_).substr(begin, ends_[i] - begin);
  }

 private:
  std::u16string text_;
  std::vector<std::size_t> ends_;
};

class TProfileJob {
 public:

  // Profiles `values` read with `separator` on a worker thread; `notice` runs on the worker once the
  // profile is done (never after a cancel) and must not throw. False (nothing runs) when a job was begun
  // before, it was cancelled, or no thread can be made.
  bool Begin(TColumnValues values, TDecimalSeparator separator, std::function<void()> notice);
  // Stops the worker and waits for it: it ends within kStatsProgressStep values. Never throws. (Also when
  // the job goes.)
  void Cancel() noexcept { worker_.Stop(); }

  bool Done() const noexcept { return done_.load(); }
  // How far the worker is, 0..100.
  int Percent() const noexcept { return percent_.load(); }
  // The profile; read it only once Done.
  const TColumnProfile& Result() const noexcept { return result_; }

 private:
  TColumnValues values_;
  TColumnProfile result_;
  std::atomic<bool> done_{false};
  std::atomic<int> percent_{0};
  TWorker worker_;  // last: its thread runs on the members above
};

}  // namespace qelvar
