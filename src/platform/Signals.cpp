#include "platform/Signals.h"

namespace platform {

void Signals::Signal(uint32_t bits) {
  {
    std::lock_guard lock(mutex_);
    pending_ |= bits;
  }
  cond_.notify_all();
}

uint32_t Signals::Wait(uint32_t mask) {
  std::unique_lock lock(mutex_);
  cond_.wait(lock, [&] { return (pending_ & mask) != 0; });
  const uint32_t got = pending_ & mask;
  pending_ &= ~got;
  return got;
}

uint32_t Signals::WaitFor(uint32_t mask, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  cond_.wait_for(lock, timeout, [&] { return (pending_ & mask) != 0; });
  const uint32_t got = pending_ & mask;
  pending_ &= ~got;
  return got;
}

uint32_t Signals::Take(uint32_t mask) {
  std::lock_guard lock(mutex_);
  const uint32_t got = pending_ & mask;
  pending_ &= ~got;
  return got;
}

}  // namespace platform
