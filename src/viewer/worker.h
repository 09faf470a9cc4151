// One piece of work on a thread of its own, which can be told to stop: the jobs that compute a large
// table's rows or a column's profile aside. The work reads the flag given to it and ends soon after it
// is raised. Header-only, portable.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace qelvar {

class TWorker {
 public:
  TWorker() = default;
  // Stop.
  ~TWorker() { Stop(); }
  TWorker(const TWorker&) = delete;
  TWorker& operator=(const TWorker&) = delete;

  // Runs `work` on a new thread; it must not throw. False (nothing runs) when work was begun before, Stop
  // was called, or no thread can be made.
  bool Begin(std::function<void(const std::atomic<bool>& stop)> work) {
    if (Begun() || !work) return false;
    try {
      thread_ = std::thread([this, run = std::move(work)] { run(stop_); });
    } catch (...) {
      return false;
    }
    return true;
  }
  // Raises the stop flag and waits for the work to end. Never throws.
  void Stop() noexcept {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // Whether Begin was called with success before, or Stop: Begin would refuse.
  bool Begun() const noexcept { return thread_.joinable() || stop_.load(); }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace qelvar
