#include "viewer/load/background_load.h"

#include <utility>

namespace qelvar {

TBackgroundLoad::~TBackgroundLoad() { Stop(); }

bool TBackgroundLoad::Begin(std::unique_ptr<TCsvProgressiveLoad> load, std::function<void()> notice) {
  if (!load || worker_.joinable() || stop_.load()) return false;
  load_ = std::move(load);
  notice_ = std::move(notice);
  read_ = load_->BytesRead();
  size_ = load_->FileSize();
  running_ = true;
  try {
    worker_ = std::thread([this] { Run(); });
  } catch (...) {
    running_ = false;
    load_.reset();
    return false;
  }
  return true;
}

void TBackgroundLoad::Run() noexcept {
  TLoadState end = TLoadState::Failed;
  try {
    TCsvBatch batch;
    for (;;) {
      // The loader's own state when it has nothing more: a stop raised after its last batch is too late
      // to make a complete load a stopped one.
      if (!load_->Next(batch)) {
        end = load_->State();
        break;
      }
      read_ = load_->BytesRead();
      bool first = false;
      {
        std::unique_lock<std::mutex> hold(lock_);
        room_.wait(hold, [this] { return queue_.size() < kQueueLength || stop_.load(); });
        if (stop_.load()) {
          end = TLoadState::Stopped;
          break;
        }
        first = queue_.empty();
        queue_.push_back(std::move(batch));
      }
      if (first && notice_) notice_();
      batch = TCsvBatch{};
      const std::lock_guard<std::mutex> hold(lock_);
      if (!spare_.empty()) {
        batch = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    mismatch_ = load_->Mismatch();
  } catch (...) {
    end = TLoadState::Failed;  // memory ran out while queueing
  }
  read_ = load_->BytesRead();
  state_ = end;
  running_ = false;
  if (notice_) notice_();
}

std::vector<TCsvBatch> TBackgroundLoad::Take() noexcept {
  std::vector<TCsvBatch> taken;
  {
    const std::lock_guard<std::mutex> hold(lock_);
    try {
      taken.reserve(queue_.size());
    } catch (...) {
      return taken;
    }
    for (TCsvBatch& batch : queue_) taken.push_back(std::move(batch));
    queue_.clear();
  }
  room_.notify_all();
  return taken;
}

void TBackgroundLoad::Recycle(std::vector<TCsvBatch>&& spent) noexcept {
  const std::lock_guard<std::mutex> hold(lock_);
  for (TCsvBatch& batch : spent) {
    if (spare_.size() >= kQueueLength) break;
    try {
      spare_.push_back(std::move(batch));
    } catch (...) {
      break;
    }
  }
  spent.clear();
}

void TBackgroundLoad::Stop() noexcept {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
  }
  room_.notify_all();
  if (worker_.joinable()) {
    try {
      worker_.join();
    } catch (...) {
      // join fails only for a thread that cannot be joined; nothing is left to wait for
    }
  }
}

}  // namespace qelvar
