// The file sink: a 16-bit stereo WAVE file at the mixing rate, written as fast
// as frames come (the virtual clock lives in VoiceOutput). One process writes
// one recording per path: later sinks on the same path append to it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "audio/voices/Sink.h"

namespace audio::voices {
namespace {

constexpr uint32_t kHeaderBytes = 44;
// Largest data chunk a RIFF size field can describe, in whole frames.
constexpr uint64_t kMaxDataBytes =
    (0xFFFFFFFFull - (kHeaderBytes - 8)) / kBytesPerFrame * kBytesPerFrame;
constexpr uint32_t kStreamedSize = 0xFFFFFFFF;  // sizes of a file that cannot be rewound

void PutLE(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

std::array<uint8_t, kHeaderBytes> WaveHeader(uint32_t rate, uint32_t data_bytes, bool known) {
  std::array<uint8_t, kHeaderBytes> h{};
  std::memcpy(&h[0], "RIFF", 4);
  PutLE(&h[4], known ? data_bytes + kHeaderBytes - 8 : kStreamedSize, 4);
  std::memcpy(&h[8], "WAVEfmt ", 8);
  PutLE(&h[16], 16, 4);  // fmt chunk size
  PutLE(&h[20], 1, 2);   // PCM
  PutLE(&h[22], 2, 2);   // channels
  PutLE(&h[24], rate, 4);
  PutLE(&h[28], rate * kBytesPerFrame, 4);
  PutLE(&h[32], kBytesPerFrame, 2);
  PutLE(&h[34], 16, 2);  // bits per sample
  std::memcpy(&h[36], "data", 4);
  PutLE(&h[40], known ? data_bytes : kStreamedSize, 4);
  return h;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// One open recording. Every member is protected by mutex_.
class WaveFile {
 public:
  WaveFile(std::string path, int fd, uint32_t rate, bool seekable)
      : path_(std::move(path)), fd_(fd), rate_(rate), seekable_(seekable) {}
  ~WaveFile() {
    UpdateHeader();
    ::close(fd_);
  }

  uint32_t rate() const { return rate_; }

  bool Append(const int16_t* frames, uint32_t count) {
    std::lock_guard lock(mutex_);
    if (failed_) return false;
    const uint64_t bytes = uint64_t{count} * kBytesPerFrame;
    if (data_bytes_ + bytes > kMaxDataBytes) return Fail("the file reached the WAVE size limit");
    if (!WriteAll(fd_, LittleEndian(frames, count), bytes)) return Fail(std::strerror(errno));
    data_bytes_ += bytes;
    unsaved_bytes_ += bytes;
    // Sizes kept current about once a second, so a killed run leaves a whole file.
    if (unsaved_bytes_ >= uint64_t{rate_} * kBytesPerFrame) UpdateHeaderLocked();
    return true;
  }

  void UpdateHeader() {
    std::lock_guard lock(mutex_);
    UpdateHeaderLocked();
  }

  bool failed() const {
    std::lock_guard lock(mutex_);
    return failed_;
  }

  // Writes the header at the start of a new (empty) file.
  bool WriteFirstHeader() {
    const auto header = WaveHeader(rate_, 0, seekable_);
    return WriteAll(fd_, header.data(), header.size());
  }

 private:
  const uint8_t* LittleEndian(const int16_t* frames, uint32_t count) {
    if constexpr (std::endian::native == std::endian::little) {
      return reinterpret_cast<const uint8_t*>(frames);
    }
    swapped_.resize(size_t{count} * 2);
    for (size_t i = 0; i < swapped_.size(); ++i) {
      swapped_[i] = static_cast<int16_t>(std::rotl(static_cast<uint16_t>(frames[i]), 8));
    }
    return reinterpret_cast<const uint8_t*>(swapped_.data());
  }

  void UpdateHeaderLocked() {
    unsaved_bytes_ = 0;
    if (!seekable_ || failed_) return;
    const auto header = WaveHeader(rate_, static_cast<uint32_t>(data_bytes_), true);
    if (::pwrite(fd_, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size())) {
      Fail(std::strerror(errno));
    }
  }

  bool Fail(const char* reason) {
    if (!failed_) std::fprintf(stderr, "Cannot write \"%s\": %s\n", path_.c_str(), reason);
    failed_ = true;
    return false;
  }

  mutable std::mutex mutex_;
  const std::string path_;
  const int fd_;
  const uint32_t rate_;
  const bool seekable_;
  uint64_t data_bytes_ = 0;     // protected by mutex_
  uint64_t unsaved_bytes_ = 0;  // protected by mutex_: appended since the header was written
  bool failed_ = false;         // protected by mutex_
  std::vector<int16_t> swapped_;
};

// Recordings begun by this process, by path; protected by RecordingsMutex().
std::map<std::string, std::shared_ptr<WaveFile>>& Recordings() {
  static std::map<std::string, std::shared_ptr<WaveFile>> recordings;
  return recordings;
}
std::mutex& RecordingsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<WaveFile> BeginRecording(const std::string& path, uint32_t rate,
                                         std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    *error = "Cannot create \"" + path + "\": " + std::strerror(errno) + ".";
    return nullptr;
  }
  struct stat st {};
  const bool seekable = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  auto file = std::make_shared<WaveFile>(path, fd, rate, seekable);
  if (!file->WriteFirstHeader()) {
    *error = "Cannot write \"" + path + "\": " + std::strerror(errno) + ".";
    return nullptr;
  }
  return file;
}

class FileSink final : public Sink {
 public:
  explicit FileSink(std::shared_ptr<WaveFile> file) : file_(std::move(file)) {}
  ~FileSink() override { file_->UpdateHeader(); }

  uint32_t Rate() const override { return file_->rate(); }
  bool RealTime() const override { return false; }
  bool Start() override { return !file_->failed(); }
  void Pause() override { file_->UpdateHeader(); }
  bool Write(const int16_t* frames, uint32_t count, uint32_t sounding) override {
    return file_->Append(frames, std::min(count, sounding));
  }
  uint32_t PendingFrames() const override { return 0; }

 private:
  std::shared_ptr<WaveFile> file_;
};

}  // namespace

std::unique_ptr<Sink> OpenFileSink(const std::string& path, uint32_t rate, std::string* error) {
  std::lock_guard lock(RecordingsMutex());
  std::shared_ptr<WaveFile>& file = Recordings()[path];
  if (!file) file = BeginRecording(path, rate == 0 ? kDefaultRate : rate, error);
  if (!file) {
    Recordings().erase(path);
    return nullptr;
  }
  return std::make_unique<FileSink>(file);
}

}  // namespace audio::voices
