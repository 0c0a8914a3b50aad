// Read-ahead back end of the file layer: while the caller consumes one buffer, a
// reader thread fills the next one from the following file offset. Reads and
// seeks behave as on a plain stream (read returns 0 at the end, seeking past the
// end is allowed); only the timing differs.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace decoders {

class FileReadAhead {
 public:
  // Opens name for reading with buffers of buffer_size bytes; null on failure.
  static std::unique_ptr<FileReadAhead> Open(const std::string& name, size_t buffer_size);
  // Takes ownership of fd, a descriptor open for reading; starts the reader,
  // which reads buffer_size bytes ahead at first, more while reading straight on.
  FileReadAhead(int fd, size_t buffer_size);
  ~FileReadAhead();
  FileReadAhead(const FileReadAhead&) = delete;
  FileReadAhead& operator=(const FileReadAhead&) = delete;

  // Bytes copied (0 at the end of the file); -1 when the file cannot be read.
  int32_t Read(void* dest, size_t count);
  // Moves as fseeko does (whence SEEK_SET/CUR/END); returns the position before
  // the move, or -1 when the target would be negative.
  int64_t Seek(int64_t offset, int whence);

 private:
  struct Block {
    std::unique_ptr<uint8_t[]> bytes;  // room for largest_block_
    size_t want = 0;                   // bytes asked of the reader
    int64_t offset = 0;                // file offset of bytes[0]
    size_t filled = 0;                 // valid bytes
    bool failed = false;
  };

  void ReaderLoop();
  // Waits for the block the reader fills, makes it current and asks for the next.
  bool AdvanceLocked(std::unique_lock<std::mutex>& lock);
  void RequestLocked(int64_t offset, size_t want);

  const int fd_;
  const size_t first_block_;    // after opening and after each seek
  const size_t largest_block_;  // reached by doubling while reading straight on
  int64_t position_ = 0;        // logical read position; caller's thread only
  Block current_;               // caller's thread only

  std::mutex mutex_;
  std::condition_variable changed_;
  // next_.bytes is written by the reader while !ready_ without the lock; the
  // caller touches next_ only when ready_. Everything else: protected by mutex_.
  Block next_;
  bool ready_ = false;       // protected by mutex_: next_ holds the requested block
  bool quit_ = false;        // protected by mutex_
  uint64_t generation_ = 0;  // protected by mutex_: bumped by every new request
  std::thread reader_;
};

}  // namespace decoders
