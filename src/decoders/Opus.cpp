// The Opus module: libopusfile behind the five playback operations, fed through
// the file layer by our own callbacks; the Opus comments fill the track's
// descriptive fields. Output is always 48000 Hz, without dither, so the samples
// are the same on every run.
#include <opusfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "decoders/ChannelMixdown.h"
#include "decoders/Decoders.h"
#include "decoders/FrameQueue.h"
#include "decoders/ProbeMagic.h"
#include "decoders/StreamSource.h"
#include "decoders/VorbisComments.h"
#include "platform/Utf8.h"

namespace decoders {
namespace {

constexpr int32_t kPlayBuffer = 32768;
constexpr uint32_t kFormatTag = FourCC("OPUS");
constexpr int32_t kRate = 48000;  // every Opus stream decodes at this rate
// The channel mapping family whose order the mixdown knows (Vorbis order);
// family 0 is mono or stereo.
constexpr int kVorbisMapping = 1;
// The longest Opus packet is 120 ms; op_read hands out at most one at a time.
constexpr size_t kPacketFrames = 5760;
// op_read calls one decode call may make before it returns what it has.
constexpr int kMaxReads = 1000;

// What a libopusfile result means to us; the only place its codes are read.
enum class Outcome { kData, kHole, kEnd, kFatal };

Outcome Classify(int code) {
  if (code > 0) return Outcome::kData;
  if (code == 0) return Outcome::kEnd;
  if (code == OP_HOLE) return Outcome::kHole;  // a gap in the data; decoding goes on
  return Outcome::kFatal;
}

int ReadCallback(void* source, unsigned char* dest, int bytes) noexcept {
  if (bytes <= 0) return 0;
  return int(static_cast<StreamSource*>(source)->Read(dest, size_t(bytes)));
}

int SeekCallback(void* source, opus_int64 offset, int whence) noexcept {
  return static_cast<StreamSource*>(source)->Seek(offset, whence) >= 0 ? 0 : -1;
}

opus_int64 TellCallback(void* source) noexcept {
  return static_cast<StreamSource*>(source)->Tell();
}

// An open libopusfile stream over its own file.
class OpusStream {
 public:
  // Null when the library refuses the file; *unsupported names a channel layout
  // no mixdown knows (the stream is then refused too).
  static std::unique_ptr<OpusStream> Open(const std::string& path, uint32_t mode,
                                          int32_t buffer_size, std::string* unsupported) {
    auto stream = std::make_unique<OpusStream>();
    stream->source_ = StreamSource::Open(path, mode, buffer_size);
    if (!stream->source_) return nullptr;
    // The source is owned here, so the library gets no close callback.
    const OpusFileCallbacks callbacks = {ReadCallback, SeekCallback, TellCallback, nullptr};
    int error = 0;
    stream->file_ = op_open_callbacks(stream->source_.get(), &callbacks, nullptr, 0, &error);
    if (!stream->file_) return nullptr;
    // op_read would otherwise add noise of its own to every sample.
    op_set_dither_enabled(stream->file_, 0);
    for (int link = 0; link < op_link_count(stream->file_); ++link) {
      const OpusHead* head = op_head(stream->file_, link);
      if (!head || head->channel_count < 1) return nullptr;
      if (head->channel_count > 2 &&
          (head->mapping_family != kVorbisMapping || head->channel_count > kMaxMixChannels)) {
        *unsupported = std::to_string(head->channel_count) + "-channel Opus of mapping " +
                       std::to_string(head->mapping_family);
        return nullptr;
      }
      stream->channels_ = std::max(stream->channels_, head->channel_count);
    }
    stream->queue_.Reset(std::min(stream->channels_, 2));
    return stream;
  }
  OpusStream() = default;
  ~OpusStream() {
    if (file_) op_free(file_);
  }
  OpusStream(const OpusStream&) = delete;
  OpusStream& operator=(const OpusStream&) = delete;

  OggOpusFile* file() { return file_; }
  // The most channels of any link.
  int channels() const { return channels_; }
  FrameQueue& queue() { return queue_; }

  // Decodes the next packet into the queue; false once the stream ended or failed.
  bool Step() {
    int link = 0;
    const int got = op_read(file_, staging_.data(), int(staging_.size()), &link);
    switch (Classify(got)) {
      case Outcome::kHole:
        return true;
      case Outcome::kEnd:
      case Outcome::kFatal:
        return false;
      case Outcome::kData:
        break;
    }
    const int link_channels = op_channel_count(file_, link);
    if (link_channels < 1 || link_channels > channels_) return false;
    const auto frames = size_t(got);
    const FrameQueue::Room room = queue_.Append(frames);
    const opus_int16* src = staging_.data();
    if (link_channels > 2) {
      if (!mixdown_ || mixdown_->channels() != link_channels)
        mixdown_.emplace(VorbisOrder(link_channels));
      mixdown_->MixInterleaved(src, frames, room.left, room.right);
    } else if (!room.right) {
      std::memcpy(room.left, src, frames * sizeof(int16_t));
    } else {
      // A one-channel link of a two-channel stream plays on both sides.
      const size_t step = size_t(link_channels);
      for (size_t i = 0; i < frames; ++i) {
        room.left[i] = src[i * step];
        room.right[i] = src[i * step + step - 1];
      }
    }
    return true;
  }

 private:
  std::unique_ptr<StreamSource> source_;
  OggOpusFile* file_ = nullptr;
  int channels_ = 0;
  FrameQueue queue_;
  std::optional<StereoMixdown> mixdown_;  // links of more than two channels
  std::vector<opus_int16> staging_ = std::vector<opus_int16>(kPacketFrames * 8);
};

// The open track (one per module), used by the audio task only.
struct Instance {
  TrackInfo track;
  std::unique_ptr<OpusStream> stream;
  int64_t total = 0;     // frames; 0 unknown
  int64_t position = 0;  // frames
};
std::unique_ptr<Instance> g_instance;

double Position() { return g_instance ? double(g_instance->position) / kRate : 0.0; }

// Targets are clamped in floating point first: any double may arrive here.
double Seek(double seconds) {
  if (!g_instance) return 0.0;
  Instance& instance = *g_instance;
  OggOpusFile* file = instance.stream->file();
  if (!(seconds > 0.0)) seconds = 0.0;
  const auto target = ogg_int64_t(std::min(std::trunc(seconds * kRate), double(instance.total)));
  instance.stream->queue().Clear();
  if (instance.total > 0 && target == instance.total) {
    instance.position = target;  // decode() has nothing left to deliver
    return Position();
  }
  // A failed seek may leave the library anywhere: playing goes on from the start.
  if (op_pcm_seek(file, target) != 0) op_raw_seek(file, 0);
  instance.position = std::max<ogg_int64_t>(op_pcm_tell(file), 0);
  return Position();
}

int32_t Decode(void* left, void* right, int32_t max_frames, double seconds) {
  if (!g_instance || max_frames <= 0) return 0;
  Instance& instance = *g_instance;
  double wanted = std::min<double>(std::trunc(seconds * kRate), max_frames);
  if (instance.total > 0) wanted = std::min(wanted, double(instance.total - instance.position));
  if (!(wanted >= 1.0)) return 0;
  const auto frames = size_t(wanted);
  FrameQueue& queue = instance.stream->queue();
  for (int reads = 0; queue.frames() < frames && reads < kMaxReads && instance.stream->Step();
       ++reads) {
  }
  const size_t got = queue.Take(frames, left, right);
  instance.position += int64_t(got);
  return int32_t(got);
}

void Close() { g_instance.reset(); }

int Open(TrackInfo* track) {
  if (!track || track->format_tag != kFormatTag) return 0;
  Close();
  auto instance = std::make_unique<Instance>();
  std::string unsupported;
  instance->stream = OpusStream::Open(track->path, kFileRead, kPlayBuffer, &unsupported);
  // The file may have changed since it was probed: its format must still hold.
  if (!instance->stream || (instance->stream->channels() >= 2) != (track->stereo != 0)) return 0;
  instance->track = *track;
  instance->total = std::max<ogg_int64_t>(op_pcm_total(instance->stream->file(), -1), 0);
  g_instance = std::move(instance);
  return 1;
}

void Describe(OpusStream& stream, TrackInfo* track) {
  OggOpusFile* file = stream.file();
  char text[sizeof(track->type_text)];
  std::snprintf(text, sizeof(text), "OPUS %dkbps", std::max(op_bitrate(file, -1), 0) / 1000);
  platform::CopyField(track->type_text, text);
  track->frequency = kRate;
  track->stereo = stream.channels() >= 2 ? 1 : 0;
  // More channels are mixed down to stereo; the text says how many there were.
  if (stream.channels() > 2)
    platform::CopyField(track->mode_text, std::to_string(stream.channels()) + " channels");
  track->bits = 16;
  const ogg_int64_t total = op_pcm_total(file, -1);
  track->length = int32_t(std::clamp<ogg_int64_t>(total, 0, INT32_MAX));
  track->data_start[0] = track->data_start[1] = 0;
  track->format_tag = kFormatTag;
  track->seekable = op_seekable(file) && total > 0 ? 1 : 0;
  if (const OpusTags* tags = op_tags(file, -1))
    ApplyVorbisComments(tags->user_comments, tags->comment_lengths, tags->comments,
                        CommentKeys::kWithComment, track);
  InstallPlayback({Open, Close, Seek, Decode, Position}, track);
}

int Probe(TW_File* file, const uint8_t* header, size_t header_size, TrackInfo* track) {
  if (!file || !track || OggFirstCodec(header, header_size) != OggCodec::kOpus) return 0;
  std::string unsupported;
  auto stream = OpusStream::Open(track->path, kFileRead | kFileNoRam, 0, &unsupported);
  if (!stream) {
    if (!unsupported.empty()) Probe_NoteUnsupported(std::move(unsupported));
    return 0;
  }
  Describe(*stream, track);
  return 1;
}

const char* Init() { return "[OPUS] Ogg Opus"; }

void Exit() { Close(); }

}  // namespace

const DecoderClass kOpusDecoder = {"OPUS", Init, Exit, Probe};

std::vector<std::string> Opus_ReadComments(const std::string& path) {
  std::string unsupported;
  auto stream = OpusStream::Open(path, kFileRead | kFileNoRam, 0, &unsupported);
  const OpusTags* tags = stream ? op_tags(stream->file(), -1) : nullptr;
  if (!tags) return {};
  return CommentTexts(tags->user_comments, tags->comment_lengths, tags->comments);
}

}  // namespace decoders
