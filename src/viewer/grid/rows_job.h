// The grid's rows computed on a worker thread (a filter over a large table), so that the grid stays usable
// meanwhile; the next filter replaces a job still running. Portable: the viewer's notice posts a message.
#pragma once

#include <atomic>
#include <functional>

#include "grid/grid_model.h"
#include "viewer/worker.h"

namespace qelvar {

class TRowsJob {
 public:
  // Computes `rows` and says whether it finished (false: `stop` was raised).
  using TWork = std::function<bool(const std::atomic<bool>& stop, TIntArray& rows)>;


  // Runs `work` on a worker thread; `notice` runs on the worker when it finished (never after a cancel)
  // and must not throw. False (nothing runs) when a job was begun before, it was cancelled, or no thread
  // can be made.
  bool Begin(TWork work, std::function<void()> notice);
  // Raises the stop flag and waits for the worker. Never throws. (Also when the job goes.)
  void Cancel() noexcept { worker_.Stop(); }
  bool Done() const noexcept { return done_.load(); }
  // The rows, moved out; only once Done.
  TIntArray TakeRows() noexcept { return std::move(rows_); }

 private:
  TIntArray rows_;
  std::atomic<bool> done_{false};
  TWorker worker_;  // last: its thread runs on the members above
};

}  // namespace qelvar
