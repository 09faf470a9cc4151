// A flag set for the lifetime of a scope and given back its previous value, also when unwinding: a
// re-entrancy guard (modal loops let the same handler run again; the flag tells it that it is already
// running) or a hold on work that a batch does once at its end.
#pragma once

namespace qelvar {

class TFlagHeld {
 public:
  explicit TFlagHeld(bool& flag) noexcept : flag_(flag), previous_(flag) { flag_ = true; }
  ~TFlagHeld() { flag_ = previous_; }
  TFlagHeld(const TFlagHeld&) = delete;
  TFlagHeld& operator=(const TFlagHeld&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

}  // namespace qelvar
