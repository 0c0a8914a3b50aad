// The Ogg Vorbis module: libvorbisfile behind the five playback operations, fed
// through the file layer by our own callbacks; Vorbis comments fill the track's
// descriptive fields. Up to eight channels, mixed down to stereo in the Vorbis
// order; a chained link of another rate or channel count is a format change.
#include <vorbis/vorbisfile.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "decoders/ChannelMixdown.h"
#include "decoders/Decoders.h"
#include "decoders/PcmCodec.h"
#include "decoders/ProbeMagic.h"
#include "decoders/StreamSource.h"
#include "decoders/VorbisComments.h"
#include "platform/Utf8.h"

namespace decoders {
namespace {

constexpr int32_t kPlayBuffer = 4096;
// ov_read calls one decode call may make before it gives up.
constexpr int kMaxReads = 100;
// Bytes one ov_read may deliver: whole frames of any channel count up to eight.
constexpr size_t kReadBytes = 16 * 1024 - (16 * 1024) % (2 * 3 * 5 * 7 * 8);

// What a libvorbisfile result means to us; the only place its codes are read.
enum class Outcome { kData, kHole, kEnd, kFatal };

Outcome Classify(long code) {
  if (code > 0) return Outcome::kData;
  if (code == 0) return Outcome::kEnd;
  if (code == OV_HOLE) return Outcome::kHole;  // a gap in the data; decoding goes on
  return Outcome::kFatal;
}

size_t ReadCallback(void* dest, size_t size, size_t count, void* source) noexcept {
  if (size == 0 || count > SIZE_MAX / size) return 0;
  return static_cast<StreamSource*>(source)->Read(dest, size * count) / size;
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) noexcept {
  if (!source) return -1;
  return static_cast<StreamSource*>(source)->Seek(offset, whence) >= 0 ? 0 : -1;
}

long TellCallback(void* source) noexcept {
  return static_cast<long>(static_cast<StreamSource*>(source)->Tell());
}

// The source is owned by the stream, so the library gets no close callback.
constexpr ov_callbacks kCallbacks = {ReadCallback, SeekCallback, nullptr, TellCallback};

// An open libvorbisfile stream over its own file.
class VorbisStream {
 public:
  static std::unique_ptr<VorbisStream> Open(const std::string& path, int32_t buffer_size) {
    auto stream = std::make_unique<VorbisStream>();
    stream->source_ = StreamSource::Open(path, kFileRead, buffer_size);
    if (!stream->source_ ||
        ov_open_callbacks(stream->source_.get(), &stream->file_, nullptr, 0, kCallbacks) != 0)
      return nullptr;
    stream->opened_ = true;
    const vorbis_info* info = ov_info(&stream->file_, -1);
    if (!info || info->rate <= 0 || info->rate > INT32_MAX || info->channels < 1 ||
        info->channels > kMaxMixChannels || !ov_comment(&stream->file_, -1))
      return nullptr;
    stream->channels_ = info->channels;
    stream->rate_ = info->rate;
    return stream;
  }
  VorbisStream() = default;
  ~VorbisStream() {
    if (opened_) ov_clear(&file_);
  }
  VorbisStream(const VorbisStream&) = delete;
  VorbisStream& operator=(const VorbisStream&) = delete;

  OggVorbis_File* file() { return &file_; }
  int channels() const { return channels_; }
  long rate() const { return rate_; }

 private:
  std::unique_ptr<StreamSource> source_;
  OggVorbis_File file_{};
  bool opened_ = false;
  int channels_ = 0;
  long rate_ = 0;
};

// The format of the frames a link delivers.
struct LinkFormat {
  long rate = 0;
  int channels = 0;
  bool operator==(const LinkFormat&) const = default;
  bool Playable() const {
    return rate > 0 && rate <= INT32_MAX && channels >= 1 && channels <= kMaxMixChannels;
  }
};

// Frames the library delivered that the caller has not taken yet: what one
// ov_read gave, all of one link.
struct Pending {
  std::vector<int16_t> samples;  // interleaved
  size_t taken = 0;              // samples
  LinkFormat format;

  size_t Frames() const {
    return format.channels > 0 ? (samples.size() - taken) / size_t(format.channels) : 0;
  }
  void Clear() {
    samples.clear();
    taken = 0;
  }
};

// The open track (one per module), used by the audio task only.
struct Instance {
  TrackInfo track;
  std::unique_ptr<VorbisStream> stream;
  LinkFormat delivered;  // what decode() hands out now
  StereoMixdown mixdown{ChannelOrder{}};
  Pending pending;

  void Deliver(LinkFormat format) {
    delivered = format;
    mixdown = StereoMixdown(VorbisOrder(format.channels));
  }
};
std::unique_ptr<Instance> g_instance;

// Seconds heard up to the next frame decode() hands out: the library's time less
// what waits in Pending. Not asked while the position lies before every link
// (after a failed seek), where ov_time_tell would index its link table at -1.
double Position() {
  if (!g_instance) return 0.0;
  OggVorbis_File* file = g_instance->stream->file();
  if (ov_pcm_tell(file) <= 0) return 0.0;
  const Pending& pending = g_instance->pending;
  double seconds = ov_time_tell(file);
  if (pending.Frames() > 0) seconds -= double(pending.Frames()) / double(pending.format.rate);
  return std::max(seconds, 0.0);
}

// Targets are clamped in floating point first: any double may arrive here.
double Seek(double seconds) {
  if (!g_instance) return 0.0;
  OggVorbis_File* file = g_instance->stream->file();
  g_instance->pending.Clear();
  const double end = ov_time_total(file, -1);
  if (!(seconds > 0.0)) seconds = 0.0;
  // The end is reached by sample count: a time seek there may round past it.
  if (end >= 0.0 && seconds >= end)
    ov_pcm_seek(file, ov_pcm_total(file, -1));
  else
    ov_time_seek(file, seconds);
  return Position();
}

// Refills Pending with one ov_read (holes skipped); false at the end or on an error.
bool ReadMore(Instance& instance) {
  Pending& pending = instance.pending;
  pending.Clear();
  for (int calls = 0; calls < kMaxReads; ++calls) {
    pending.samples.resize(kReadBytes / 2);
    int link = 0;
    const long got = ov_read(instance.stream->file(), reinterpret_cast<char*>(pending.samples.data()),
                             int(kReadBytes), std::endian::native == std::endian::big, 2, 1, &link);
    const Outcome outcome = Classify(got);
    if (outcome == Outcome::kHole) continue;
    if (outcome != Outcome::kData) break;
    const vorbis_info* info = ov_info(instance.stream->file(), link);
    if (!info) break;
    pending.format = {info->rate, info->channels};
    pending.samples.resize(size_t(got) / 2);
    return true;
  }
  pending.Clear();
  return false;
}

void DeliverFrames(Instance& instance, const int16_t* src, size_t frames, size_t at, void* left,
                   void* right) {
  auto* l = static_cast<uint8_t*>(left) + 2 * at;
  auto* r = right ? static_cast<uint8_t*>(right) + 2 * at : nullptr;
  switch (instance.delivered.channels) {
    case 1:
      std::memcpy(l, src, 2 * frames);
      if (r) std::memcpy(r, src, 2 * frames);
      break;
    case 2:
      DecodePcm(kNativeSigned16, reinterpret_cast<const uint8_t*>(src), frames, 2, l, r);
      break;
    default:
      instance.mixdown.MixInterleaved(src, frames, l, r);
  }
}

// Frames up to the end, an error, or a link of another format: the call after
// the last frame of the old format reports the change (or the end, for a link
// that cannot be played). Frames already delivered are kept whatever follows.
int32_t Decode(void* left, void* right, int32_t max_frames, double seconds) {
  if (!g_instance || !left) return 0;
  Instance& instance = *g_instance;
  const double wanted_frames =
      std::min<double>(std::trunc(seconds * instance.track.frequency), max_frames);
  if (!(wanted_frames >= 1.0)) return 0;
  const auto wanted = static_cast<size_t>(wanted_frames);
  Pending& pending = instance.pending;
  size_t done = 0;
  while (done < wanted) {
    if (pending.Frames() == 0 && !ReadMore(instance)) break;
    if (!(pending.format == instance.delivered)) {
      if (done > 0) break;
      return pending.format.Playable() ? kDecodeFormatChanged : 0;
    }
    const size_t take = std::min(wanted - done, pending.Frames());
    DeliverFrames(instance, pending.samples.data() + pending.taken, take, done, left, right);
    pending.taken += take * size_t(instance.delivered.channels);
    done += take;
  }
  return static_cast<int32_t>(done);
}

// Length as the whole stream's whole seconds, counted at the rate now delivered.
int32_t LengthAt(OggVorbis_File* file, long rate) {
  const double frames = std::trunc(std::max(ov_time_total(file, -1), 0.0)) * double(rate);
  return frames < INT32_MAX ? static_cast<int32_t>(frames) : INT32_MAX;
}

void SetFormat(const LinkFormat& format, OggVorbis_File* file, TrackInfo* track) {
  track->frequency = static_cast<int32_t>(format.rate);
  track->stereo = format.channels >= 2 ? 1 : 0;
  track->bits = 16;
  track->length = LengthAt(file, format.rate);
}

// Takes the format of the link decode() stopped at.
void Format(TrackInfo* track) {
  if (!g_instance || !track) return;
  Instance& instance = *g_instance;
  const LinkFormat next = instance.pending.format;
  if (instance.pending.Frames() == 0 || !next.Playable() || next == instance.delivered) return;
  instance.Deliver(next);
  SetFormat(next, instance.stream->file(), &instance.track);
  SetFormat(next, instance.stream->file(), track);
}

void Close() { g_instance.reset(); }

int Open(TrackInfo* track) {
  if (!track || track->format_tag != FourCC("OGGV")) return 0;
  Close();
  auto instance = std::make_unique<Instance>();
  instance->stream = VorbisStream::Open(track->path, kPlayBuffer);
  if (!instance->stream) return 0;
  instance->track = *track;
  instance->Deliver({instance->stream->rate(), instance->stream->channels()});
  g_instance = std::move(instance);
  Seek(0.0);
  return 1;
}

// The nominal rate the encoder chose; the measured average when it set none.
long BitRate(OggVorbis_File* file) {
  const vorbis_info* info = ov_info(file, -1);
  if (info && info->bitrate_nominal > 0) return info->bitrate_nominal;
  return std::max(ov_bitrate(file, -1), 0L);
}

void Describe(VorbisStream& stream, TrackInfo* track) {
  OggVorbis_File* file = stream.file();
  char text[40];
  std::snprintf(text, sizeof(text), "OGG %ldkbps", BitRate(file) / 1024);
  platform::CopyField(track->type_text, text);
  track->frequency = static_cast<int32_t>(stream.rate());
  track->stereo = stream.channels() >= 2 ? 1 : 0;
  const vorbis_comment* comments = ov_comment(file, -1);
  ApplyVorbisComments(comments->user_comments, comments->comment_lengths, comments->comments,
                      CommentKeys::kNamesAndDate, track);
  track->bits = 16;
  // Whole seconds only, as the length has always been shown.
  track->length = LengthAt(file, stream.rate());
  track->format_tag = FourCC("OGGV");
  track->seekable = ov_seekable(file) ? 1 : 0;
  InstallPlayback({Open, Close, Seek, Decode, Position}, track);
  track->format = Format;
}

int Probe(TW_File* file, const uint8_t* header, size_t header_size, TrackInfo* track) {
  if (!file || !track) return 0;
  // Opus and FLAC streams belong to their own modules; an unknown first codec is
  // still offered to the library, which finds Vorbis beside a video stream.
  const OggCodec codec = OggFirstCodec(header, header_size);
  if (codec != OggCodec::kVorbis && codec != OggCodec::kOther) return 0;
  auto stream = VorbisStream::Open(track->path, 0);
  if (!stream) return 0;
  Describe(*stream, track);
  return 1;
}

const char* Init() { return "[OGG] 16bit, Ogg Vorbis Project"; }

void Exit() { Close(); }

}  // namespace

const DecoderClass kOggDecoder = {"OGG", Init, Exit, Probe};

std::vector<std::string> OggVorbis_ReadComments(const std::string& path) {
  auto stream = VorbisStream::Open(path, 0);
  if (!stream) return {};
  const vorbis_comment* comments = ov_comment(stream->file(), -1);
  return CommentTexts(comments->user_comments, comments->comment_lengths, comments->comments);
}

}  // namespace decoders
