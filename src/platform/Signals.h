// Signals: a per-task mask of pending bits (break, engine notification, wake-up).
// Any thread may Signal(); the owning task Wait()s.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

class Signals {
 public:
  static constexpr uint32_t kBreakC = 1u << 12;  // Ctrl-C
  static constexpr uint32_t kBreakD = 1u << 13;  // start-up handshake

  // Sets bits in the pending mask and wakes a waiter.
  void Signal(uint32_t bits);
  // Blocks until any bit of mask is pending; clears and returns those bits.
  uint32_t Wait(uint32_t mask);
  // As Wait, but returns 0 when the timeout passes with nothing pending.
  uint32_t WaitFor(uint32_t mask, std::chrono::milliseconds timeout);
  // Clears and returns the pending bits of mask without blocking.
  uint32_t Take(uint32_t mask);

  // A descriptor that becomes readable whenever Signal() is called, so a poll()
  // loop (the command port's) can wait on signals and sockets together. Created
  // on first use; drain it with DrainWakeFd() before Take().
  int WakeFd();
  void DrainWakeFd();

  Signals() = default;
  ~Signals();
  Signals(const Signals&) = delete;
  Signals& operator=(const Signals&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable cond_;
  uint32_t pending_ = 0;  // protected by mutex_
  int wake_fd_ = -1;      // protected by mutex_
};

}  // namespace platform
