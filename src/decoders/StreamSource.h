// A file-layer handle seen as a bounded, seekable byte stream: what the outside
// decoding libraries' reader callbacks need. The position is kept here, so a
// seek to the very end and reads past it behave the same on every back end, and
// nothing beyond the size the file system reported is ever read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "decoders/TW_File.h"

namespace decoders {

class StreamSource {
 public:
  // Opens path through the file layer; null when it cannot be opened.
  static std::unique_ptr<StreamSource> Open(const std::string& path, uint32_t mode,
                                            int32_t buffer_size);

  explicit StreamSource(FileHandle file);

  // Bytes read into dest, at most count; 0 at the end or on a read error.
  size_t Read(void* dest, size_t count) noexcept;
  // whence is SEEK_SET, SEEK_CUR or SEEK_END; returns the new position, or -1
  // (position kept) for an unknown whence or a target outside 0..Size().
  int64_t Seek(int64_t offset, int whence) noexcept;
  int64_t Tell() const noexcept { return position_; }
  int64_t Size() const noexcept { return size_; }

 private:
  FileHandle file_;
  int64_t size_ = 0;
  int64_t position_ = 0;       // where the next Read starts
  int64_t file_position_ = 0;  // where the file layer stands; -1 unknown
};

}  // namespace decoders
