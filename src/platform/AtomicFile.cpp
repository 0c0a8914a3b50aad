#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace platform {
namespace {

constexpr size_t kFlushThreshold = 64 * 1024;
constexpr const char* kTempInfix = ".tw-tmp-";

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void SyncFolderOf(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open() {
  Discard();
  failed_ = false;
  std::string pattern = path_ + kTempInfix + "XXXXXX";
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) {
    failed_ = true;
    return false;
  }
  temp_path_ = pattern;
  // mkostemp creates 0600; saved files should carry the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
  return true;
}

bool AtomicFile::FlushBuffer() {
  if (failed_ || fd_ < 0) return false;
  if (!WriteAll(fd_, buffer_.data(), buffer_.size())) failed_ = true;
  buffer_.clear();
  return !failed_;
}

bool AtomicFile::Write(const void* data, size_t size) {
  if (failed_ || fd_ < 0) return false;
  buffer_.append(static_cast<const char*>(data), size);
  if (buffer_.size() >= kFlushThreshold) return FlushBuffer();
  return true;
}

bool AtomicFile::Commit() {
  if (fd_ < 0 || !FlushBuffer() || ::fsync(fd_) != 0) {
    Discard();
    failed_ = true;
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 || ::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
    failed_ = true;
    return false;
  }
  temp_path_.clear();
  SyncFolderOf(path_);
  return true;
}

void AtomicFile::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_path_.empty()) {
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
  }
  buffer_.clear();
}

bool WriteFileAtomically(const std::string& path, std::string_view contents) {
  AtomicFile file(path);
  return file.Open() && file.Write(contents) && file.Commit();
}

void RemoveStaleTemporaries(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const std::string prefix = target.filename().string() + kTempInfix;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
      fs::remove(entry.path(), ec);
    }
  }
}

}  // namespace platform
