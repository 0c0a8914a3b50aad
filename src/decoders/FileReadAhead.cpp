#include "decoders/FileReadAhead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Threads.h"

namespace decoders {
namespace {
// Each hand-over between the reader and the caller costs a thread wake-up, so
// blocks double while the file is read straight on, up to this size. A seek
// starts again at the requested buffer size: identification reads little.
constexpr size_t kLargestBlock = 256 * 1024;
}  // namespace

std::unique_ptr<FileReadAhead> FileReadAhead::Open(const std::string& name, size_t buffer_size) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FileReadAhead>(fd, buffer_size);
}

FileReadAhead::FileReadAhead(int fd, size_t buffer_size)
    : fd_(fd),
      first_block_(std::max<size_t>(buffer_size, 1)),
      largest_block_(std::max(first_block_, kLargestBlock)) {
  // Not zeroed: pages never read into stay untouched.
  current_.bytes = std::make_unique_for_overwrite<uint8_t[]>(largest_block_);
  next_.bytes = std::make_unique_for_overwrite<uint8_t[]>(largest_block_);
  RequestLocked(0, first_block_);  // no other thread yet
  reader_ = std::thread([this] { ReaderLoop(); });
}

FileReadAhead::~FileReadAhead() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  reader_.join();
  ::close(fd_);
}

void FileReadAhead::RequestLocked(int64_t offset, size_t want) {
  next_.offset = offset;
  next_.want = want;
  ready_ = false;
  ++generation_;
}

void FileReadAhead::ReaderLoop() {
  platform::NameThisThread("TW_File_Async");
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quit_ || !ready_; });
    if (quit_) return;
    const uint64_t generation = generation_;
    const int64_t offset = next_.offset;
    const size_t want = next_.want;
    uint8_t* const bytes = next_.bytes.get();
    lock.unlock();
    size_t filled = 0;
    bool failed = false;
    while (filled < want) {
      const ssize_t got = ::pread(fd_, bytes + filled, want - filled,
                                  static_cast<off_t>(offset + static_cast<int64_t>(filled)));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) failed = true;
      if (got <= 0) break;
      filled += static_cast<size_t>(got);
    }
    lock.lock();
    if (generation == generation_) {
      next_.filled = filled;
      next_.failed = failed;
      ready_ = true;
    }
    changed_.notify_all();
  }
}

bool FileReadAhead::AdvanceLocked(std::unique_lock<std::mutex>& lock) {
  if (next_.offset != position_) RequestLocked(position_, first_block_);
  changed_.notify_all();
  changed_.wait(lock, [this] { return ready_; });
  std::swap(current_, next_);
  // After a failure the same offset is tried again by the next read.
  if (current_.failed)
    RequestLocked(position_, first_block_);
  else
    RequestLocked(current_.offset + static_cast<int64_t>(current_.filled),
                  std::min(current_.want * 2, largest_block_));
  changed_.notify_all();
  return !current_.failed;
}

int32_t FileReadAhead::Read(void* dest, size_t count) {
  auto* out = static_cast<uint8_t*>(dest);
  size_t copied = 0;
  while (copied < count) {
    const int64_t skip = position_ - current_.offset;
    if (skip >= 0 && skip < static_cast<int64_t>(current_.filled)) {
      const size_t n = std::min(count - copied, current_.filled - static_cast<size_t>(skip));
      std::memcpy(out + copied, current_.bytes.get() + skip, n);
      copied += n;
      position_ += static_cast<int64_t>(n);
      continue;
    }
    std::unique_lock lock(mutex_);
    if (!AdvanceLocked(lock)) {
      current_.filled = 0;
      return copied > 0 ? static_cast<int32_t>(copied) : -1;
    }
    if (current_.filled == 0) break;  // end of file
  }
  return static_cast<int32_t>(copied);
}

int64_t FileReadAhead::Seek(int64_t offset, int whence) {
  int64_t base = 0;
  if (whence == SEEK_CUR) base = position_;
  if (whence == SEEK_END) {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return -1;
    base = info.st_size;
  }
  if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return -1;
  const int64_t before = position_;
  position_ = base + offset;
  return before;
}

}  // namespace decoders
