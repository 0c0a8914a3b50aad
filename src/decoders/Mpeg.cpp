// The MPEG audio module: libmpg123 behind the five playback operations, the
// stream description in the track's type and mode texts, the ID3v1, ID3v2 and
// APEv2 tags in its descriptive fields.
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "decoders/Decoders.h"
#include "decoders/Id3v1.h"
#include "decoders/MpegStream.h"
#include "decoders/MpegTags.h"
#include "decoders/PcmCodec.h"
#include "decoders/ProbeMagic.h"
#include "decoders/TW_File.h"
#include "platform/Utf8.h"
#include "settings/SettingsGroups.h"

namespace decoders {
namespace {

constexpr int32_t kProbeBuffer = 2048;
constexpr int32_t kPlayBuffer = 32768;
// The smallest request worth a decode call: one MPEG-1 layer II/III frame.
constexpr int32_t kMinFrames = 1152;

constexpr PcmCoding kNativePcm16 =
    std::endian::native == std::endian::big ? PcmCoding::kSigned16Be : PcmCoding::kSigned16Le;

bool g_library_ready = false;
// The windowed run's tag editor; identification may run on another thread.
std::atomic<EditTagsFn> g_tag_editor{nullptr};

// The open track (one per module), used by the audio task only.
struct Instance {
  TrackInfo track;
  std::unique_ptr<MpegStream> stream;
  std::vector<int16_t> interleaved;
};
std::unique_ptr<Instance> g_instance;

const char* VersionText(int version) {
  switch (version) {
    case MPG123_1_0:
      return "1";
    case MPG123_2_0:
      return "2";
    default:
      return "2.5";
  }
}

const char* LayerText(int layer) {
  static const char* const kNames[] = {"?", "I", "II", "III"};
  return layer >= 0 && layer <= 3 ? kNames[layer] : "?";
}

const char* ModeText(int mode) {
  static const char* const kNames[] = {"Stereo", "J-Stereo", "Dual", "Mono"};
  return mode >= 0 && mode <= 3 ? kNames[mode] : "";
}

void Describe(const MpegDescription& stream, TrackInfo* track) {
  char text[sizeof(track->type_text)];
  std::snprintf(text, sizeof(text), "MPEG%s-%s %dkbps%s", VersionText(stream.version),
                LayerText(stream.layer), stream.bitrate, stream.copyright ? " \u00A9" : "");
  platform::CopyField(track->type_text, text);
  platform::CopyField(track->mode_text, ModeText(stream.mode));
  track->stereo = stream.channels == 2 ? 1 : 0;
  track->frequency = static_cast<int32_t>(stream.rate);
  track->length =
      stream.frames > 0 && stream.frames <= INT32_MAX ? static_cast<int32_t>(stream.frames) : 0;
  track->bits = 16;
  track->format_tag = kTagMpeg;
  track->data_start[0] = track->data_start[1] = 0;
  track->seekable = 1;
}

int32_t YearOf(const std::string& text) {
  int32_t year = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    year = year * 10 + (c - '0');
  }
  return year;
}

void CopyTag(const ID3Tag& tag, TrackInfo* track) {
  platform::CopyField(track->title, tag.title);
  platform::CopyField(track->artist, tag.artist);
  platform::CopyField(track->comment, tag.comment);
  platform::CopyField(track->genre, tag.genre);
  platform::CopyField(track->album, tag.album);
  track->year = YearOf(tag.year);
}

double Position() {
  if (!g_instance || g_instance->track.frequency <= 0) return 0.0;
  const int64_t frame = g_instance->stream->TellFrame();
  return frame > 0 ? static_cast<double>(frame) / g_instance->track.frequency : 0.0;
}

// Targets are clamped in floating point first: any double may arrive here.
double Seek(double seconds) {
  if (!g_instance || g_instance->track.frequency <= 0) return 0.0;
  const TrackInfo& track = g_instance->track;
  const double end = track.length > 0 ? static_cast<double>(track.length) / track.frequency : 0.0;
  if (!(seconds > 0.0)) seconds = 0.0;
  if (seconds > end) seconds = end;
  g_instance->stream->SeekFrame(static_cast<int64_t>(seconds * track.frequency));
  return Position();
}

int32_t Decode(void* left, void* right, int32_t max_frames, double seconds) {
  if (!g_instance || max_frames <= 0) return 0;
  const TrackInfo& track = g_instance->track;
  double wanted = std::trunc(seconds * track.frequency);
  if (!(wanted >= kMinFrames)) wanted = kMinFrames;
  const size_t frames = static_cast<size_t>(std::min<double>(wanted, max_frames));
  const size_t channels = track.stereo ? 2 : 1;
  std::vector<int16_t>& buffer = g_instance->interleaved;
  if (buffer.size() < frames * channels) buffer.resize(frames * channels);
  const size_t got = g_instance->stream->ReadFrames(buffer.data(), frames);
  DecodePcm(kNativePcm16, reinterpret_cast<const uint8_t*>(buffer.data()), got,
            static_cast<int>(channels), left, right);
  return static_cast<int32_t>(got);
}

void Close() { g_instance.reset(); }

// The real output format goes back into the caller's record.
int Open(TrackInfo* track) {
  if (!track || track->format_tag != kTagMpeg) return 0;
  Close();
  auto instance = std::make_unique<Instance>();
  instance->stream =
      MpegStream::Open(track->path, kFileRead, kPlayBuffer, settings::Mpeg().Fetch());
  if (!instance->stream) return 0;
  instance->track = *track;
  Describe(instance->stream->description(), &instance->track);
  // The settings may have changed since the probe: the caller reads both again.
  track->frequency = instance->track.frequency;
  track->stereo = instance->track.stereo;
  g_instance = std::move(instance);
  return 1;
}

void SetOperations(TrackInfo* track) {
  InstallPlayback({Open, Close, Seek, Decode, Position}, track);
  track->edit_tags = g_tag_editor.load();
}

// Almost any byte stream looks like MPEG to the library, so the probe only reads
// the stream's start (never the whole file) and leaves IFF, Ogg and FLAC files
// alone: one their own module refused would play as noise.
int Probe(TW_File* file, const uint8_t* header, size_t header_size, TrackInfo* track) {
  if (!g_library_ready || !file || !track) return 0;
  if (header_size >= 4 && std::memcmp(header, "FORM", 4) == 0) return 0;
  if (OggFirstCodec(header, header_size) != OggCodec::kNotOgg) return 0;
  if (IsNativeFlac(file, header, header_size)) return 0;
  auto stream =
      MpegStream::Open(track->path, kFileRead | kFileNoRam, kProbeBuffer, settings::Mpeg().Fetch());
  if (!stream) return 0;
  Describe(stream->description(), track);
  stream.reset();
  ID3Tag tag;
  if (ID3_ReadFromFile(file, &tag) == kId3Ok) CopyTag(tag, track);
  ReadMpegTags(track->path, track);
  SetOperations(track);
  return 1;
}

const char* Init() {
  g_library_ready = mpg123_init() == MPG123_OK;
  return "[MPEG] 1,2,2.5 / I, II & III";
}

void Exit() {
  Close();
  if (g_library_ready) mpg123_exit();
  g_library_ready = false;
}

}  // namespace

const DecoderClass kMpegDecoder = {"MPEG", Init, Exit, Probe};

void MPEG_SetTagEditor(EditTagsFn editor) { g_tag_editor.store(editor); }

}  // namespace decoders
