#include "platform/Signals.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

Signals::~Signals() {
  if (wake_fd_ >= 0) ::close(wake_fd_);
}

void Signals::Signal(uint32_t bits) {
  {
    std::lock_guard lock(mutex_);
    pending_ |= bits;
    if (wake_fd_ >= 0) {
      const uint64_t one = 1;
      [[maybe_unused]] const ssize_t n = ::write(wake_fd_, &one, sizeof one);
    }
  }
  cond_.notify_all();
}

int Signals::WakeFd() {
  std::lock_guard lock(mutex_);
  if (wake_fd_ < 0) {
    wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    // Bits that arrived before the descriptor existed must still wake the loop.
    if (wake_fd_ >= 0 && pending_ != 0) {
      const uint64_t one = 1;
      [[maybe_unused]] const ssize_t n = ::write(wake_fd_, &one, sizeof one);
    }
  }
  return wake_fd_;
}

void Signals::DrainWakeFd() {
  std::lock_guard lock(mutex_);
  if (wake_fd_ < 0) return;
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = ::read(wake_fd_, &count, sizeof count);
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
