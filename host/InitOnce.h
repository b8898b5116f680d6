// InitOnce: runs a piece of initialisation exactly once in the process, whichever thread asks
// first.
#pragma once

#include <mutex>
#include <utility>

/// The state of one piece of one-time initialisation. Keep it where the initialised data lives
/// (a static next to a lazily built table); it cannot be copied or reset.
class InitOnceFlag {
 public:
  InitOnceFlag() = default;
  InitOnceFlag(const InitOnceFlag&) = delete;
  InitOnceFlag& operator=(const InitOnceFlag&) = delete;

 private:
  template <typename Function>
  friend void InitOnce(InitOnceFlag& flag, Function&& initialise);

  std::once_flag m_flag;
};

/// Runs `initialise` the first time it is called with `flag`, and never again once that call
/// has returned. A thread that calls it while another runs the initialisation waits until that
/// one has finished, so every caller that returns sees the initialised data: data written by
/// `initialise` and only read afterwards needs no lock.
///
/// When `initialise` throws, the exception propagates to its caller and the flag stays unset:
/// the next call tries again. This is std::call_once, which also gives these guarantees.
template <typename Function>
void InitOnce(InitOnceFlag& flag, Function&& initialise) {
  std::call_once(flag.m_flag, std::forward<Function>(initialise));
}
