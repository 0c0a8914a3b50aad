// The Ogg Vorbis module: libvorbisfile behind the five playback operations, fed
// through the file layer by our own callbacks; Vorbis comments fill the track's
// descriptive fields.
#include <vorbis/vorbisfile.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "decoders/Decoders.h"
#include "decoders/PcmCodec.h"
#include "decoders/ProbeMagic.h"
#include "decoders/StreamSource.h"
#include "decoders/VorbisComments.h"
#include "platform/Utf8.h"

namespace decoders {
namespace {

constexpr int32_t kPlayBuffer = 4096;
constexpr PcmCoding kNativePcm16 =
    std::endian::native == std::endian::big ? PcmCoding::kSigned16Be : PcmCoding::kSigned16Le;
// ov_read calls one decode call may make before it gives up.
constexpr int kMaxReads = 100;

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
        info->channels > 2 || !ov_comment(&stream->file_, -1))
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
  // True while the link being read has the format the stream was opened with.
  bool SameFormat() {
    const vorbis_info* info = ov_info(&file_, -1);
    return info && info->channels == channels_ && info->rate == rate_;
  }

 private:
  std::unique_ptr<StreamSource> source_;
  OggVorbis_File file_{};
  bool opened_ = false;
  int channels_ = 0;
  long rate_ = 0;
};

// The open track (one per module), used by the audio task only.
struct Instance {
  TrackInfo track;
  std::unique_ptr<VorbisStream> stream;
  std::vector<int16_t> samples;  // interleaved stereo; only grows
  bool format_changed = false;   // the song ends where a chained link changes format
};
std::unique_ptr<Instance> g_instance;

// From the sample position rather than ov_time_tell, which indexes the link
// table at -1 when the position lies before every link (after a failed seek).
// Every link played has the stream's rate: a format change ends the song.
double Position() {
  if (!g_instance) return 0.0;
  const ogg_int64_t sample = ov_pcm_tell(g_instance->stream->file());
  return sample > 0 ? double(sample) / double(g_instance->stream->rate()) : 0.0;
}

// Targets are clamped in floating point first: any double may arrive here.
double Seek(double seconds) {
  if (!g_instance) return 0.0;
  OggVorbis_File* file = g_instance->stream->file();
  const double end = ov_time_total(file, -1);
  if (!(seconds > 0.0)) seconds = 0.0;
  // The end is reached by sample count: a time seek there may round past it.
  const int result = end >= 0.0 && seconds >= end ? ov_pcm_seek(file, ov_pcm_total(file, -1))
                                                  : ov_time_seek(file, seconds);
  if (result == 0) g_instance->format_changed = false;
  return Position();
}

// Reads up to bytes into dest; returns the bytes read. Samples already read are
// kept when the stream then ends or fails.
size_t ReadBytes(char* dest, size_t bytes) {
  Instance& instance = *g_instance;
  size_t filled = 0;
  for (int calls = 0; filled < bytes && calls < kMaxReads && !instance.format_changed; ++calls) {
    int link = 0;
    const long got = ov_read(instance.stream->file(), dest + filled,
                             static_cast<int>(std::min<size_t>(bytes - filled, INT32_MAX)),
                             std::endian::native == std::endian::big, 2, 1, &link);
    const Outcome outcome = Classify(got);
    if (outcome == Outcome::kHole) continue;
    if (outcome != Outcome::kData) break;
    instance.format_changed = !instance.stream->SameFormat();
    if (!instance.format_changed) filled += static_cast<size_t>(got);
  }
  return filled;
}

int32_t Decode(void* left, void* right, int32_t max_frames, double seconds) {
  if (!g_instance) return 0;
  const double wanted =
      std::min<double>(std::trunc(seconds * g_instance->track.frequency), max_frames);
  if (!(wanted >= 1.0)) return 0;
  const size_t frames = static_cast<size_t>(wanted);
  if (g_instance->stream->channels() == 1) {
    const size_t got = ReadBytes(static_cast<char*>(left), frames * sizeof(int16_t)) / 2;
    if (right) std::memcpy(right, left, got * sizeof(int16_t));
    return static_cast<int32_t>(got);
  }
  std::vector<int16_t>& samples = g_instance->samples;
  if (samples.size() < 2 * frames) samples.resize(2 * frames);
  const size_t got =
      ReadBytes(reinterpret_cast<char*>(samples.data()), 2 * frames * sizeof(int16_t)) / 4;
  DecodePcm(kNativePcm16, reinterpret_cast<const uint8_t*>(samples.data()), got, 2, left, right);
  return static_cast<int32_t>(got);
}

void Close() { g_instance.reset(); }

int Open(TrackInfo* track) {
  if (!track || track->format_tag != FourCC("OGGV")) return 0;
  Close();
  auto instance = std::make_unique<Instance>();
  instance->stream = VorbisStream::Open(track->path, kPlayBuffer);
  if (!instance->stream) return 0;
  instance->track = *track;
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
  track->stereo = stream.channels() == 2 ? 1 : 0;
  const vorbis_comment* comments = ov_comment(file, -1);
  ApplyVorbisComments(comments->user_comments, comments->comment_lengths, comments->comments,
                      CommentKeys::kNamesAndDate, track);
  track->bits = 16;
  // Whole seconds only, as the length has always been shown.
  const double frames = std::trunc(std::max(ov_time_total(file, -1), 0.0)) * stream.rate();
  track->length = frames < INT32_MAX ? static_cast<int32_t>(frames) : INT32_MAX;
  track->format_tag = FourCC("OGGV");
  track->seekable = ov_seekable(file) ? 1 : 0;
  track->open = Open;
  track->close = Close;
  track->seek = Seek;
  track->decode = Decode;
  track->position = Position;
  track->edit_tags = nullptr;
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

}  // namespace decoders
