#include "decoders/MpegStream.h"

#include <sys/types.h>

#include <algorithm>
#include <cstdio>
#include <span>

namespace decoders {
namespace {

// What a libmpg123 result means to us; the only place its codes are read.
enum class Outcome { kData, kNewFormat, kEnd, kSkip, kFatal };

Outcome Classify(int code, mpg123_handle* handle) {
  switch (code) {
    case MPG123_OK:
      return Outcome::kData;
    case MPG123_NEW_FORMAT:
      return Outcome::kNewFormat;
    case MPG123_DONE:
      return Outcome::kEnd;
    case MPG123_ERR:
      // A damaged frame or a lost sync leaves the stream usable.
      switch (mpg123_errcode(handle)) {
        case MPG123_OUT_OF_SYNC:
        case MPG123_RESYNC_FAIL:
        case MPG123_BAD_DECODER_SETUP:
          return Outcome::kSkip;
        default:
          return Outcome::kFatal;
      }
    default:
      return Outcome::kFatal;
  }
}

// The library's reader callbacks over our stream source.
ssize_t ReadCallback(void* source, void* dest, size_t count) noexcept {
  return static_cast<ssize_t>(static_cast<StreamSource*>(source)->Read(dest, count));
}

off_t SeekCallback(void* source, off_t offset, int whence) noexcept {
  return static_cast<off_t>(static_cast<StreamSource*>(source)->Seek(offset, whence));
}

// Frames a stream may skip in one read before it is given up as broken.
constexpr int kMaxFailures = 1000;

// The output rates the library delivers.
std::span<const long> LibraryRates() {
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  return {rates, count};
}

bool LibraryCanDeliver(long rate) { return std::ranges::count(LibraryRates(), rate) > 0; }

// Down-sampling steps (half, quarter) that bring rate to at most limit. The
// library refuses to open a stream whose divided rate it cannot deliver (an 8 kHz
// stream halved to 4 kHz), so division stops at the lowest rate it delivers: a
// quiet low-rate stream beats a refused one.
long DownSampleSteps(long rate, uint32_t limit) {
  long steps = 0;
  while (steps < 2 && (rate >> steps) > static_cast<long>(limit) &&
         LibraryCanDeliver(rate >> (steps + 1)))
    ++steps;
  return steps;
}

}  // namespace

MpegStream::MpegStream(std::unique_ptr<StreamSource> source, mpg123_handle* handle)
    : source_(std::move(source)), handle_(handle) {}

MpegStream::~MpegStream() {
  mpg123_close(handle_);
  mpg123_delete(handle_);
}

std::unique_ptr<MpegStream> MpegStream::Open(const std::string& path, uint32_t mode,
                                             int32_t buffer_size,
                                             const settings::MpegSettings& settings) {
  auto source = StreamSource::Open(path, mode, buffer_size);
  if (!source) return nullptr;
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  if (!handle) return nullptr;
  auto stream = std::make_unique<MpegStream>(std::move(source), handle);
  // ID3v2 tags are skipped unread: their sizes come from the file and nothing here
  // shows their contents.
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_SKIP_ID3V2, 0);
  if (mpg123_replace_reader_handle(handle, ReadCallback, SeekCallback, nullptr) != MPG123_OK ||
      !stream->Start() || !stream->ApplySettings(settings))
    return nullptr;
  return stream;
}

// Opens the stream at its start with 16-bit output at any rate, and reads its
// first frame's description.
bool MpegStream::Start() {
  mpg123_close(handle_);
  if (source_->Seek(0, SEEK_SET) != 0) return false;
  mpg123_format_none(handle_);
  for (long rate : LibraryRates())
    mpg123_format(handle_, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  return mpg123_open_handle(handle_, source_.get()) == MPG123_OK && Describe();
}

bool MpegStream::Describe() {
  long rate = 0;
  int channels = 0, encoding = 0;
  mpg123_frameinfo info{};
  if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK ||
      mpg123_info(handle_, &info) != MPG123_OK || rate <= 0 || channels < 1 || channels > 2)
    return false;
  description_.version = info.version;
  description_.layer = info.layer;
  description_.mode = info.mode;
  description_.bitrate = info.bitrate;
  description_.copyright = (info.flags & MPG123_COPYRIGHT) != 0;
  description_.channels = channels;
  description_.rate = rate;
  const off_t length = mpg123_length(handle_);
  description_.frames = length >= 0 ? static_cast<int64_t>(length) : -1;
  return true;
}

// The settings need the stream's layer and rate, known only once it is open; when
// they change anything, the stream is opened again with them.
bool MpegStream::ApplySettings(const settings::MpegSettings& settings) {
  const settings::MpegLayerSettings& half =
      description_.layer == 3 ? settings.layer3 : settings.layer12;
  const bool mono = half.mono_forced != 0 && description_.channels == 2;
  const uint32_t limit =
      (mono || description_.channels == 1) ? half.mono_freq_max : half.stereo_freq_max;
  const long steps = DownSampleSteps(description_.rate, limit);
  if (!mono && steps == 0) return true;
  if (mono) mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_MONO_MIX, 0);
  mpg123_param(handle_, MPG123_DOWN_SAMPLE, steps, 0);
  return Start();
}

size_t MpegStream::ReadFrames(int16_t* dest, size_t max_frames) {
  if (format_changed_) return 0;
  const size_t frame_bytes = sizeof(int16_t) * static_cast<size_t>(description_.channels);
  auto* out = reinterpret_cast<unsigned char*>(dest);
  const size_t wanted = max_frames * frame_bytes;
  size_t filled = 0;
  for (int failures = 0; filled < wanted && failures < kMaxFailures;) {
    size_t done = 0;
    const int code = mpg123_read(handle_, out + filled, wanted - filled, &done);
    filled += done;
    if (done == 0) ++failures;
    const Outcome outcome = Classify(code, handle_);
    if (outcome == Outcome::kNewFormat) {
      long rate = 0;
      int channels = 0, encoding = 0;
      mpg123_getformat(handle_, &rate, &channels, &encoding);
      // Our caller cannot follow a change of rate or channels inside a track.
      format_changed_ = rate != description_.rate || channels != description_.channels;
      if (format_changed_) break;
    } else if (outcome != Outcome::kData && outcome != Outcome::kSkip) {
      break;
    }
  }
  return filled / frame_bytes;
}

// A seek to where the stream stands is left out: the library's seek restarts the
// decoder, and its warm-up then differs from plain decoding from the start.
bool MpegStream::SeekFrame(int64_t frame) {
  if (frame == TellFrame()) return true;
  return mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET) >= 0;
}

int64_t MpegStream::TellFrame() const {
  const off_t frame = mpg123_tell(handle_);
  return frame >= 0 ? static_cast<int64_t>(frame) : -1;
}

}  // namespace decoders
