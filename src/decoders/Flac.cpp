// The FLAC module: libFLAC behind the five playback operations, for native FLAC
// and FLAC in Ogg, fed through the file layer by our own callbacks; Vorbis
// comments fill the track's descriptive fields. Seeking is sample-accurate.
#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "decoders/ChannelMixdown.h"
#include "decoders/Decoders.h"
#include "decoders/FrameQueue.h"
#include "decoders/PcmCodec.h"
#include "decoders/ProbeMagic.h"
#include "decoders/StreamSource.h"
#include "decoders/VorbisComments.h"
#include "platform/Utf8.h"

namespace decoders {
namespace {

constexpr int32_t kPlayBuffer = 32768;
constexpr uint32_t kFormatTag = FourCC("fLaC");
// The track's encoding: how the samples are wrapped.
constexpr uint8_t kNativeFlac = 0;
constexpr uint8_t kOggFlac = 1;
// The highest rate a FLAC frame header can name.
constexpr uint32_t kMaxRate = 655350;
// Library steps one decode call may take (each reads a frame or skips bad bytes).
constexpr int kMaxSteps = 10000;

// STREAMINFO, as far as playing needs it.
struct StreamFacts {
  uint32_t rate = 0;
  int channels = 0;
  int bits = 0;
  uint64_t total = 0;  // frames; 0 unknown
  bool seen = false;
};

bool Sane(const StreamFacts& facts) {
  return facts.seen && facts.rate >= 1 && facts.rate <= kMaxRate && facts.channels >= 1 &&
         facts.channels <= kMaxMixChannels && facts.bits >= 4 && facts.bits <= 32;
}

// An open libFLAC decoder over its own file; decoded frames gather in a queue.
class FlacStream {
 public:
  // Reads the metadata; null when the file is not FLAC the library can read or
  // its STREAMINFO is absurd. comments, when given, receives the Vorbis comments.
  static std::unique_ptr<FlacStream> Open(const std::string& path, uint32_t mode,
                                          int32_t buffer_size, bool ogg,
                                          std::vector<std::string>* comments) {
    auto stream = std::make_unique<FlacStream>();
    stream->source_ = StreamSource::Open(path, mode, buffer_size);
    stream->decoder_ = FLAC__stream_decoder_new();
    if (!stream->source_ || !stream->decoder_) return nullptr;
    if (comments)
      FLAC__stream_decoder_set_metadata_respond(stream->decoder_,
                                                FLAC__METADATA_TYPE_VORBIS_COMMENT);
    const auto init = ogg ? FLAC__stream_decoder_init_ogg_stream : FLAC__stream_decoder_init_stream;
    if (init(stream->decoder_, Read, Seek, Tell, Length, Eof, Write, Metadata, Error,
             stream.get()) != FLAC__STREAM_DECODER_INIT_STATUS_OK)
      return nullptr;
    stream->comments_ = comments;
    const bool read = FLAC__stream_decoder_process_until_end_of_metadata(stream->decoder_);
    stream->comments_ = nullptr;
    if (!read || !Sane(stream->facts_)) return nullptr;
    stream->queue_.Reset(std::min(stream->facts_.channels, 2));
    if (stream->facts_.channels > 2) stream->mixdown_.emplace(WaveOrder(stream->facts_.channels));
    return stream;
  }
  FlacStream() = default;
  ~FlacStream() {
    if (decoder_) FLAC__stream_decoder_delete(decoder_);
  }
  FlacStream(const FlacStream&) = delete;
  FlacStream& operator=(const FlacStream&) = delete;

  const StreamFacts& facts() const { return facts_; }
  FrameQueue& queue() { return queue_; }

  // Decodes the next frame into the queue; false once the stream ended or failed.
  bool Step() { return Decoding() && FLAC__stream_decoder_process_single(decoder_) && Decoding(); }

  // Positions the stream at frame (the queue then starts there) and returns
  // true; when the library cannot, the stream goes back to its start, false.
  bool SeekTo(uint64_t frame) {
    queue_.Clear();
    if (FLAC__stream_decoder_seek_absolute(decoder_, frame)) return true;
    queue_.Clear();
    // After a failed seek the library needs a reset; it then reads from the start.
    FLAC__stream_decoder_reset(decoder_);
    FLAC__stream_decoder_process_until_end_of_metadata(decoder_);
    return false;
  }

 private:
  bool Decoding() const {
    switch (FLAC__stream_decoder_get_state(decoder_)) {
      case FLAC__STREAM_DECODER_SEARCH_FOR_METADATA:
      case FLAC__STREAM_DECODER_READ_METADATA:
      case FLAC__STREAM_DECODER_SEARCH_FOR_FRAME_SYNC:
      case FLAC__STREAM_DECODER_READ_FRAME:
        return true;
      default:
        return false;
    }
  }

  static FlacStream& Self(void* client) { return *static_cast<FlacStream*>(client); }

  static FLAC__StreamDecoderReadStatus Read(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                            size_t* bytes, void* client) noexcept {
    *bytes = *bytes > 0 ? Self(client).source_->Read(buffer, *bytes) : 0;
    return *bytes > 0 ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE
                      : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
  }
  static FLAC__StreamDecoderSeekStatus Seek(const FLAC__StreamDecoder*, FLAC__uint64 offset,
                                            void* client) noexcept {
    if (offset > uint64_t(INT64_MAX)) return FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
    return Self(client).source_->Seek(int64_t(offset), SEEK_SET) >= 0
               ? FLAC__STREAM_DECODER_SEEK_STATUS_OK
               : FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
  }
  static FLAC__StreamDecoderTellStatus Tell(const FLAC__StreamDecoder*, FLAC__uint64* offset,
                                            void* client) noexcept {
    *offset = uint64_t(Self(client).source_->Tell());
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
  }
  static FLAC__StreamDecoderLengthStatus Length(const FLAC__StreamDecoder*, FLAC__uint64* length,
                                                void* client) noexcept {
    *length = uint64_t(Self(client).source_->Size());
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
  }
  static FLAC__bool Eof(const FLAC__StreamDecoder*, void* client) noexcept {
    const StreamSource& source = *Self(client).source_;
    return source.Tell() >= source.Size();
  }
  static FLAC__StreamDecoderWriteStatus Write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                              const FLAC__int32* const buffer[],
                                              void* client) noexcept {
    FlacStream& self = Self(client);
    const int channels = int(frame->header.channels);
    const int bits = int(frame->header.bits_per_sample);
    // A frame that disagrees with STREAMINFO would be played as noise.
    if (channels != self.facts_.channels || bits < 4 || bits > 32)
      return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    const size_t frames = frame->header.blocksize;
    const FrameQueue::Room room = self.queue_.Append(frames);
    if (!self.mixdown_) {
      Reduce(buffer[0], frames, bits, room.left);
      if (room.right) Reduce(buffer[1], frames, bits, room.right);
      return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }
    std::vector<int16_t>& wide = self.interleaved_;
    wide.resize(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i) {
      for (int channel = 0; channel < channels; ++channel)
        wide[i * size_t(channels) + size_t(channel)] = ReduceTo16(buffer[channel][i], bits);
    }
    self.mixdown_->MixInterleaved(wide.data(), frames, room.left, room.right);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
  }
  // One channel's samples to 16 bits; 16-bit ones are only narrowed, in a loop
  // the compiler vectorises (the common case, and the one worth its speed).
  static void Reduce(const FLAC__int32* src, size_t frames, int bits, int16_t* out) {
    if (bits == 16) {
      for (size_t i = 0; i < frames; ++i) out[i] = static_cast<int16_t>(src[i]);
    } else {
      for (size_t i = 0; i < frames; ++i) out[i] = ReduceTo16(src[i], bits);
    }
  }
  static void Metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block,
                       void* client) noexcept {
    FlacStream& self = Self(client);
    if (block->type == FLAC__METADATA_TYPE_STREAMINFO) {
      const FLAC__StreamMetadata_StreamInfo& info = block->data.stream_info;
      self.facts_ = {info.sample_rate, int(info.channels), int(info.bits_per_sample),
                     info.total_samples, true};
    } else if (block->type == FLAC__METADATA_TYPE_VORBIS_COMMENT && self.comments_) {
      const FLAC__StreamMetadata_VorbisComment& tags = block->data.vorbis_comment;
      for (uint32_t i = 0; i < tags.num_comments && tags.comments; ++i) {
        const FLAC__StreamMetadata_VorbisComment_Entry& entry = tags.comments[i];
        if (entry.entry && entry.length > 0)
          self.comments_->emplace_back(reinterpret_cast<const char*>(entry.entry), entry.length);
      }
    }
  }
  // Damaged frames are skipped; the library finds the next one itself.
  static void Error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) noexcept {}

  std::unique_ptr<StreamSource> source_;
  FLAC__StreamDecoder* decoder_ = nullptr;
  StreamFacts facts_;
  FrameQueue queue_;
  std::optional<StereoMixdown> mixdown_;          // more than two channels
  std::vector<int16_t> interleaved_;              // their frames, before the mixdown
  std::vector<std::string>* comments_ = nullptr;  // only while the metadata is read
};

// The open track (one per module), used by the audio task only.
struct Instance {
  TrackInfo track;
  std::unique_ptr<FlacStream> stream;
  uint64_t position = 0;  // frames
  bool at_end = false;    // a seek went to the end
};
std::unique_ptr<Instance> g_instance;

uint64_t TotalFrames() { return g_instance->stream->facts().total; }

double Position() {
  if (!g_instance || g_instance->track.frequency <= 0) return 0.0;
  return double(g_instance->position) / g_instance->track.frequency;
}

// Targets are clamped in floating point first: any double may arrive here.
double Seek(double seconds) {
  if (!g_instance) return 0.0;
  Instance& instance = *g_instance;
  if (!(seconds > 0.0)) seconds = 0.0;
  const double target = std::trunc(seconds * instance.track.frequency);
  const uint64_t total = TotalFrames();
  instance.at_end = total > 0 && target >= double(total);
  if (instance.at_end) {
    instance.stream->queue().Clear();
    instance.position = total;
  } else {
    const auto frame = uint64_t(std::min(target, 9.0e15));
    instance.position = instance.stream->SeekTo(frame) ? frame : 0;
  }
  return Position();
}

int32_t Decode(void* left, void* right, int32_t max_frames, double seconds) {
  if (!g_instance || max_frames <= 0 || g_instance->at_end) return 0;
  Instance& instance = *g_instance;
  double wanted = std::min<double>(std::trunc(seconds * instance.track.frequency), max_frames);
  const uint64_t total = TotalFrames();
  if (total > 0) wanted = std::min(wanted, double(total - std::min(total, instance.position)));
  if (!(wanted >= 1.0)) return 0;
  const auto frames = size_t(wanted);
  FrameQueue& queue = instance.stream->queue();
  for (int steps = 0; queue.frames() < frames && steps < kMaxSteps && instance.stream->Step();
       ++steps) {
  }
  const size_t got = queue.Take(frames, left, right);
  instance.position += got;
  return int32_t(got);
}

void Close() { g_instance.reset(); }

int Open(TrackInfo* track) {
  if (!track || track->format_tag != kFormatTag) return 0;
  Close();
  auto instance = std::make_unique<Instance>();
  instance->stream =
      FlacStream::Open(track->path, kFileRead, kPlayBuffer, track->encoding == kOggFlac, nullptr);
  if (!instance->stream) return 0;
  // The file may have changed since it was probed: its format must still hold.
  const StreamFacts& facts = instance->stream->facts();
  if (int32_t(facts.rate) != track->frequency || (facts.channels >= 2) != (track->stereo != 0))
    return 0;
  instance->track = *track;
  g_instance = std::move(instance);
  return 1;
}

void Describe(const StreamFacts& facts, bool ogg, const std::vector<std::string>& comments,
              TrackInfo* track) {
  char text[sizeof(track->type_text)];
  std::snprintf(text, sizeof(text), "%s %dbit", ogg ? "OGG-FLAC" : "FLAC", facts.bits);
  platform::CopyField(track->type_text, text);
  track->frequency = int32_t(facts.rate);
  track->stereo = facts.channels >= 2 ? 1 : 0;
  // More channels are mixed down to stereo; the text says how many there were.
  if (facts.channels > 2)
    platform::CopyField(track->mode_text, std::to_string(facts.channels) + " channels");
  track->bits = 16;
  track->length = int32_t(std::min<uint64_t>(facts.total, INT32_MAX));
  track->data_start[0] = track->data_start[1] = 0;
  track->encoding = ogg ? kOggFlac : kNativeFlac;
  track->format_tag = kFormatTag;
  // Without a frame count the seek contract has no end to clamp to.
  track->seekable = facts.total > 0 ? 1 : 0;
  for (const std::string& comment : comments)
    ApplyVorbisComment(comment, CommentKeys::kWithComment, track);
  InstallPlayback({Open, Close, Seek, Decode, Position}, track);
}

int Probe(TW_File* file, const uint8_t* header, size_t header_size, TrackInfo* track) {
  if (!file || !track) return 0;
  const bool ogg = OggFirstCodec(header, header_size) == OggCodec::kFlac;
  if (!ogg && !IsNativeFlac(file, header, header_size)) return 0;
  std::vector<std::string> comments;
  auto stream = FlacStream::Open(track->path, kFileRead | kFileNoRam, 0, ogg, &comments);
  if (!stream) return 0;
  Describe(stream->facts(), ogg, comments, track);
  return 1;
}

const char* Init() { return "[FLAC] 16-32bit, native and Ogg"; }

void Exit() { Close(); }

}  // namespace

const DecoderClass kFlacDecoder = {"FLAC", Init, Exit, Probe};

std::vector<std::string> Flac_ReadComments(const std::string& path, bool ogg) {
  std::vector<std::string> comments;
  if (!FlacStream::Open(path, kFileRead | kFileNoRam, 0, ogg, &comments)) return {};
  return comments;
}

}  // namespace decoders
