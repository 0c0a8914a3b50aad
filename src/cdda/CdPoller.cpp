#include "cdda/CdPoller.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "cdda/CDDrive.h"
#include "cdda/Cdda.h"
#include "platform/Threads.h"

namespace cdda {
namespace {

DiscChange PollOnce() {
  DiscChange change;
  change.kind = static_cast<DiscChange::Kind>(CDDA_PollDisc());
  if (change.kind == DiscChange::kNewDisc) change.tracks = CDDA_ListTracks(&change.key, kPollTimeoutMs);
  return change;
}

}  // namespace

CdPoller::CdPoller() : ready_fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  worker_ = std::thread([this] { Run(); });
}

CdPoller::~CdPoller() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  worker_.join();
  if (ready_fd_ >= 0) ::close(ready_fd_);
}

bool CdPoller::Request() {
  {
    std::lock_guard lock(mutex_);
    if (busy_) return false;
    busy_ = true;
    requested_ = true;
  }
  wake_.notify_one();
  return true;
}

std::optional<DiscChange> CdPoller::TakeResult() {
  std::optional<DiscChange> taken;
  {
    std::lock_guard lock(mutex_);
    if (!result_) return std::nullopt;
    taken.swap(result_);
    busy_ = false;
  }
  uint64_t count = 0;
  if (ready_fd_ >= 0 && ::read(ready_fd_, &count, sizeof count) < 0) {
    // Nothing to drain: the descriptor only wakes the loop.
  }
  return taken;
}

void CdPoller::Run() {
  platform::NameThisThread("TW_CdPoll");
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return requested_ || stopping_; });
    if (stopping_) return;
    requested_ = false;
    lock.unlock();
    DiscChange change = PollOnce();
    lock.lock();
    result_ = std::move(change);
    const uint64_t one = 1;
    if (ready_fd_ >= 0 && ::write(ready_fd_, &one, sizeof one) < 0) {
      // The counter cannot overflow with one result at a time.
    }
  }
}

}  // namespace cdda
