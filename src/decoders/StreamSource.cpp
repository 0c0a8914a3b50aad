#include "decoders/StreamSource.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace decoders {

std::unique_ptr<StreamSource> StreamSource::Open(const std::string& path, uint32_t mode,
                                                 int32_t buffer_size) {
  FileHandle file(TW_File_Open(path, mode, buffer_size));
  if (!file) return nullptr;
  return std::make_unique<StreamSource>(std::move(file));
}

StreamSource::StreamSource(FileHandle file) : file_(std::move(file)) {
  size_ = std::max<int64_t>(TW_File_Size(file_.get()), 0);
}

size_t StreamSource::Read(void* dest, size_t count) noexcept {
  const int64_t left = size_ - position_;
  if (left <= 0 || count == 0) return 0;
  if (file_position_ != position_) {
    if (TW_File_Seek(file_.get(), position_, kSeekStart) < 0) {
      file_position_ = -1;
      return 0;
    }
    file_position_ = position_;
  }
  const int64_t wanted = std::min<int64_t>(
      left, static_cast<int64_t>(std::min<size_t>(count, std::numeric_limits<int32_t>::max())));
  const int32_t got = TW_File_Read(file_.get(), dest, static_cast<int32_t>(wanted));
  if (got <= 0) return 0;
  position_ += got;
  file_position_ = position_;
  return static_cast<size_t>(got);
}

int64_t StreamSource::Seek(int64_t offset, int whence) noexcept {
  int64_t base = 0;
  switch (whence) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = position_;
      break;
    case SEEK_END:
      base = size_;
      break;
    default:
      return -1;
  }
  if (offset < -base || offset > size_ - base) return -1;
  position_ = base + offset;
  return position_;
}

}  // namespace decoders
