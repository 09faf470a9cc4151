// A re-entrancy guard: a flag set for the lifetime of a scope, also when unwinding. Modal loops (message
// boxes, a commit that asks) let the same handler run again; the flag tells it that it is already running.
#pragma once

namespace qelvar {

class TFlagHeld {
 public:
  explicit TFlagHeld(bool& flag) noexcept : flag_(flag) { flag_ = true; }
  ~TFlagHeld() { flag_ = false; }
  TFlagHeld(const TFlagHeld&) = delete;
  TFlagHeld& operator=(const TFlagHeld&) = delete;

 private:
  bool& flag_;
};

}  // namespace qelvar
