// Reading the rest of a large file on a worker thread once its first screen is shown. The worker cuts
// the blocks aside (TCsvProgressiveLoad::Next touches no document) and queues them; the document's owner
// takes them whenever it is told that some wait, and appends them itself, so the document is only ever
// touched by its own thread. Portable: the viewer's notice posts a message to its window.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "document/progressive_load.h"

namespace qelvar {

class TBackgroundLoad {
 public:
  // Batches the worker cuts ahead of the owner at most; it waits for room beyond that, so that a busy
  // owner does not hold the file twice.
  static constexpr std::size_t kQueueLength = 4;

  TBackgroundLoad() = default;
  // Stop.
  ~TBackgroundLoad();
  TBackgroundLoad(const TBackgroundLoad&) = delete;
  TBackgroundLoad& operator=(const TBackgroundLoad&) = delete;

  // The stop flag the loader must be made with (TCsvProgressiveLoad(Flag())), so that Stop reaches it.
  const std::atomic<bool>* Flag() const noexcept { return &stop_; }

  // Runs `load` (Started, still Loading) to its end on a worker thread. Each batch is queued, and
  // `notice` runs on the worker when the queue was empty before it and once more when the worker ends:
  // the owner then takes what waits. `notice` must not throw. False (nothing runs, `load` dropped) when a
  // worker was begun before, Stop was called, or no thread can be made.
  bool Begin(std::unique_ptr<TCsvProgressiveLoad> load, std::function<void()> notice);

  // The waiting batches, oldest first, moved out. Never throws (memory running out leaves them queued).
  std::vector<TCsvBatch> Take() noexcept;
  // Hands batches whose rows were appended back to the worker, which cuts the next blocks into their
  // memory (fresh memory costs a page fault per page). At most kQueueLength are kept. Never throws.
  void Recycle(std::vector<TCsvBatch>&& spent) noexcept;

  // Raises the stop flag and waits for the worker, which ends within one read of the loader. Batches
  // still queued stay to be taken. Never throws.
  void Stop() noexcept;

  // Whether the worker is still running (a batch may still wait in the queue after it ended).
  bool Running() const noexcept { return running_.load(); }
  // Once the worker ended: the loader's final state (Done, Failed, Stopped, Truncated) and whether a
  // decision made from the file's start was contradicted; Loading and false before.
  TLoadState State() const noexcept { return running_.load() ? TLoadState::Loading : state_.load(); }
  bool Mismatch() const noexcept { return !running_.load() && mismatch_.load(); }
  // Bytes read so far and the file's size, for a progress display.
  std::int64_t BytesRead() const noexcept { return read_.load(); }
  std::int64_t FileSize() const noexcept { return size_.load(); }

 private:
  void Run() noexcept;

  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  std::atomic<TLoadState> state_{TLoadState::Loading};
  std::atomic<bool> mismatch_{false};
  std::atomic<std::int64_t> read_{0};
  std::atomic<std::int64_t> size_{0};

  std::unique_ptr<TCsvProgressiveLoad> load_;
  std::function<void()> notice_;
  std::mutex lock_;
  std::condition_variable room_;  // the owner took batches, or Stop
  std::deque<TCsvBatch> queue_;
  std::vector<TCsvBatch> spare_;  // handed back by Recycle
  std::thread worker_;  // last: it runs on the members above
};

}  // namespace qelvar
