// AIFF and AIFF-C: an SSND chunk of 8- to 32-bit integer PCM (big-endian, or
// little-endian for AIFF-C "sowt"), 32- or 64-bit float ("fl32", "fl64"), or
// Apple IMA ADPCM packets ("ima4"), one to eight channels (more than two mixed
// down to stereo in the WAVE order); or an ADP4 chunk of one channel of 4-bit
// IMA ADPCM. ADPCM cannot be entered at an arbitrary byte, so playing records
// the decoder state every 1024 samples and seeks restart from the nearest record.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "decoders/Decoders.h"
#include "decoders/IffReader.h"
#include "decoders/Ima4Track.h"
#include "decoders/ImaAdpcm.h"
#include "decoders/PcmTrack.h"
#include "decoders/TW_File.h"

namespace decoders {
namespace {

using iff::ChunkHeader;
using iff::IffReader;
using iff::kSeekBlock;

constexpr size_t kSamplePrefix = 8;  // offset and block size before the samples
// The record's encoding for ima4 packets; PCM codings use their PcmCoding value.
constexpr uint8_t kEncodingIma4 = 0x40;

using AdpcmState = ImaState;

struct Instance {
  TrackInfo track;
  FileHandle file;
  int64_t position = 0;        // frames
  std::vector<uint8_t> codes;  // one block's ADPCM bytes
  AdpcmState state;
  iff::SeekTable<AdpcmState> seek_table;

  explicit Instance(const TrackInfo& info) : track(info), seek_table(info.length) {}
};

std::unique_ptr<Instance> g_adpcm;  // the open ADP4 track, if any; audio task only

// The 80-bit rate rearranged into a double: the exponent's top bit and low ten
// bits, the 52 mantissa bits after the explicit integer bit. Exact for every
// rate a sound file can have; anything else comes out out of range or non-finite.
double ExtendedToDouble(const uint8_t* bytes) {
  const uint16_t sign_exponent = iff::BigEndian16(bytes);
  const uint64_t mantissa =
      uint64_t(iff::BigEndian32(bytes + 2)) << 32 | iff::BigEndian32(bytes + 6);
  const uint64_t sign = sign_exponent >> 15;
  const uint64_t exponent = uint64_t((sign_exponent >> 14) & 1) << 10 | (sign_exponent & 0x3FF);
  const uint64_t fraction = (mantissa << 1) >> 12;
  return std::bit_cast<double>(sign << 63 | exponent << 52 | fraction);
}

struct Common {
  int16_t channels = 0;
  uint32_t frames = 0;
  int16_t bits = 0;
  double rate = 0.0;
  uint32_t compression = FourCC("NONE");
};

// COMM's record: 18 bytes, 22 in AIFF-C, which adds the compression type.
bool ReadCommon(IffReader* reader, const ChunkHeader& chunk, bool aifc, Common* common) {
  uint8_t bytes[22];
  if (!reader->ReadRecord(chunk, bytes, aifc ? 22 : 18)) return false;
  common->channels = static_cast<int16_t>(iff::BigEndian16(bytes));
  common->frames = iff::BigEndian32(bytes + 2);
  common->bits = static_cast<int16_t>(iff::BigEndian16(bytes + 6));
  common->rate = ExtendedToDouble(bytes + 8);
  if (aifc) common->compression = iff::BigEndian32(bytes + 18);
  return true;
}

// Walks the chunks until both COMM and a sample chunk were met. A sample chunk
// met before COMM is skipped as a whole.
bool ReadChunks(IffReader* reader, bool aifc, Common* common, ChunkHeader* samples,
                TrackInfo* track) {
  bool have_common = false;
  bool have_samples = false;
  ChunkHeader chunk;
  while (reader->ReadChunkHeader(&chunk)) {
    bool ok = true;
    if (chunk.id == FourCC("COMM")) {
      ok = have_common = ReadCommon(reader, chunk, aifc, common);
    } else if (chunk.id == FourCC("SSND") || chunk.id == FourCC("ADP4")) {
      uint8_t prefix[kSamplePrefix];
      ok = reader->ReadHead(chunk, prefix, sizeof prefix);
      *samples = chunk;
      have_samples = ok;
      if (ok && !have_common) ok = reader->SkipChunk(chunk);
    } else {
      ok = reader->ReadTextOrSkip(chunk, track);
    }
    if (!ok) return false;
    if (have_common && have_samples) return true;
  }
  return false;
}

// How the SSND samples of a compression type and sample size are stored; false
// for what is not PCM. Sizes that are not whole bytes sit in the next whole byte.
bool PcmCodingOf(uint32_t compression, int16_t bits, PcmCoding* coding) {
  const int bytes = (bits + 7) / 8;
  const bool big = compression == FourCC("NONE") || compression == FourCC("twos");
  if (big || compression == FourCC("sowt")) {
    if (bits < 1 || bits > 32) return false;
    constexpr PcmCoding kBig[] = {PcmCoding::kSigned8, PcmCoding::kSigned16Be,
                                  PcmCoding::kSigned24Be, PcmCoding::kSigned32Be};
    constexpr PcmCoding kLittle[] = {PcmCoding::kSigned8, PcmCoding::kSigned16Le,
                                     PcmCoding::kSigned24Le, PcmCoding::kSigned32Le};
    *coding = (big ? kBig : kLittle)[bytes - 1];
    return true;
  }
  switch (compression) {
    case FourCC("in24"): *coding = PcmCoding::kSigned24Be; return true;
    case FourCC("42ni"): *coding = PcmCoding::kSigned24Le; return true;
    case FourCC("in32"): *coding = PcmCoding::kSigned32Be; return true;
    case FourCC("23ni"): *coding = PcmCoding::kSigned32Le; return true;
    case FourCC("fl32"):
    case FourCC("FL32"): *coding = PcmCoding::kFloat32Be; return true;
    case FourCC("fl64"):
    case FourCC("FL64"): *coding = PcmCoding::kFloat64Be; return true;
    default: return false;
  }
}

bool IsIma4(uint32_t compression) { return compression == FourCC("ima4"); }

// A compression type as text, bytes outside printable ASCII shown as '?'.
std::string CompressionText(uint32_t compression) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto byte = static_cast<char>((compression >> shift) & 0xFF);
    text += byte >= 0x20 && byte <= 0x7E ? byte : '?';
  }
  return text;
}

// What keeps a well-formed file from playing; "" when nothing does.
std::string Unsupported(const Common& common, const ChunkHeader& samples) {
  const bool adpcm = samples.id == FourCC("ADP4");
  PcmCoding coding;
  if (!adpcm && !IsIma4(common.compression) &&
      !PcmCodingOf(common.compression, common.bits, &coding)) {
    if (common.compression == FourCC("NONE") || common.compression == FourCC("twos") ||
        common.compression == FourCC("sowt"))
      return std::to_string(common.bits) + "-bit AIFF";
    return "AIFF-C compression '" + CompressionText(common.compression) + "'";
  }
  if (!PlayableChannels(common.channels))
    return "AIFF with " + std::to_string(common.channels) + " channels";
  if (adpcm && common.channels != 1) return "two-channel AIFF ADP4";
  return "";
}

// Frames the SSND data holds for the coding chosen.
int64_t SsndFrames(const Common& common, uint8_t encoding, int64_t data_bytes) {
  if (encoding == kEncodingIma4)
    return data_bytes / int64_t(Ima4FrameBytes(common.channels)) * kIma4PacketFrames;
  return data_bytes / (common.channels * int64_t(StoredBytes(static_cast<PcmCoding>(encoding))));
}

// Fills the format fields; false for what cannot be played.
bool SetFormat(const Common& common, const ChunkHeader& samples, TrackInfo* track) {
  if (!(common.rate >= 1.0 && common.rate <= double(kMaxFrequency))) return false;  // NaN too
  if (!PlayableChannels(common.channels)) return false;
  if (!samples.FitsOffsets()) return false;
  const bool adpcm = samples.id == FourCC("ADP4");
  const int64_t data_bytes = std::max<int64_t>(0, samples.stored - int64_t(kSamplePrefix));
  int64_t available = 0;
  int64_t declared = common.frames;
  const char* type_text = "AIFF";
  if (adpcm) {
    // The two-channel ADP4 layout is not settled; only one channel is played.
    if (common.channels != 1) return false;
    track->bits = 16;  // ADPCM always expands to 16 bits
    available = 2 * data_bytes;
    type_text = "AIFF-ADP4";
  } else {
    PcmCoding coding = PcmCoding::kSigned16Be;
    if (IsIma4(common.compression)) {
      track->encoding = kEncodingIma4;
      declared *= kIma4PacketFrames;  // COMM counts packets
      type_text = "AIFF-IMA4";
    } else if (PcmCodingOf(common.compression, common.bits, &coding)) {
      track->encoding = static_cast<uint8_t>(coding);
    } else {
      return false;
    }
    const bool wide = track->encoding == kEncodingIma4 || common.channels > 2;
    track->bits = static_cast<int16_t>(wide ? 16 : DeliveredBits(coding));
    available = SsndFrames(common, track->encoding, data_bytes);
  }
  track->format_tag = samples.id;
  track->stereo = common.channels >= 2;
  track->stored_channels = common.channels > 2 ? static_cast<uint8_t>(common.channels) : 0;
  track->frequency = static_cast<int32_t>(common.rate);
  track->length = static_cast<int32_t>(std::min<int64_t>({declared, available, INT32_MAX}));
  track->data_start[0] = track->data_start[1] = uint32_t(samples.start + int64_t(kSamplePrefix));
  std::snprintf(track->type_text, sizeof track->type_text, "%s", type_text);
  track->seekable = 1;
  return true;
}

int64_t DecodeAdpcm(Instance* in, int16_t* out, int64_t frames) {
  if (in->position <= 0) in->state = {};
  frames &= ~int64_t(1);
  int64_t done = 0;
  in->codes.resize(kSeekBlock / 2);
  while (frames > 0) {
    const int64_t offset = in->position % kSeekBlock;
    if (offset == 0) in->seek_table.Record(in->position / kSeekBlock, in->state);
    const int64_t take = std::min(kSeekBlock - offset, frames);
    const size_t got = iff::ReadSome(in->file.get(), in->codes.data(), size_t(take / 2));
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) {
      out[done++] = ImaExpand(&in->state, in->codes[i] >> 4);
      out[done++] = ImaExpand(&in->state, in->codes[i] & 0x0F);
    }
    in->position += int64_t(2 * got);
    frames -= int64_t(2 * got);
  }
  return done;
}

int32_t DecodeAdpcmTrack(void* left, int32_t max_frames, double seconds) {
  Instance* in = g_adpcm.get();
  const int64_t frames = FramesIn(seconds, in->track.frequency,
                                  std::min<int64_t>(max_frames, in->track.length - in->position));
  if (frames <= 0 || !left) return 0;
  return static_cast<int32_t>(DecodeAdpcm(in, static_cast<int16_t*>(left), frames));
}

// Restores the nearest recorded state at or before the target and decodes forward.
double SeekAdpcm(double seconds) {
  Instance* in = g_adpcm.get();
  const int64_t target = FramesIn(seconds, in->track.frequency, in->track.length) & ~int64_t(1);
  const int64_t block = target / kSeekBlock;
  if (block <= in->seek_table.highest()) {
    const int64_t data_start = in->track.data_start[0];
    const bool placed = iff::SeekTo(in->file.get(), data_start + block * kSeekBlock / 2) ||
                        !iff::SeekTo(in->file.get(), data_start);
    in->position = placed ? block * kSeekBlock : 0;
    in->state = placed ? in->seek_table.At(block) : AdpcmState{};
  }
  std::array<int16_t, kSeekBlock> scratch;
  while (in->position < target) {
    if (DecodeAdpcm(in, scratch.data(), std::min(target - in->position, kSeekBlock)) <= 0) break;
  }
  return iff::SecondsFor(in->position, in->track.frequency);
}

// SSND data plays through the shared PCM track, ima4 packets through their own.
struct SsndPcm {
  static bool Layout(const TrackInfo& track, PcmLayout* layout) {
    if (track.format_tag != FourCC("SSND") || track.encoding > uint8_t(PcmCoding::kFloat64Be))
      return false;
    return LayoutOf(track, static_cast<PcmCoding>(track.encoding), layout);
  }
};
using SsndOps = PcmOperations<SsndPcm>;

struct SsndIma4 {
  static bool Layout(const TrackInfo& track, PcmLayout* layout) {
    if (track.format_tag != FourCC("SSND") || track.encoding != kEncodingIma4) return false;
    return LayoutOf(track, PcmCoding::kSigned16Be, layout);
  }
};
using Ima4Ops = PcmOperations<SsndIma4, Ima4Track>;

// The module's operations: whichever of its three kinds of track is open.
int32_t Decode(void* left, void* right, int32_t max_frames, double seconds) {
  if (g_adpcm) return DecodeAdpcmTrack(left, max_frames, seconds);
  if (Ima4Ops::IsOpen()) return Ima4Ops::Decode(left, right, max_frames, seconds);
  return SsndOps::Decode(left, right, max_frames, seconds);
}

double Seek(double seconds) {
  if (g_adpcm) return SeekAdpcm(seconds);
  return Ima4Ops::IsOpen() ? Ima4Ops::Seek(seconds) : SsndOps::Seek(seconds);
}

double Position() {
  if (g_adpcm) return iff::SecondsFor(g_adpcm->position, g_adpcm->track.frequency);
  return Ima4Ops::IsOpen() ? Ima4Ops::Position() : SsndOps::Position();
}

void Close() {
  g_adpcm.reset();
  Ima4Ops::Close();
  SsndOps::Close();
}

int Open(TrackInfo* track) {
  Close();
  if (!track) return 0;
  if (track->format_tag == FourCC("SSND"))
    return track->encoding == kEncodingIma4 ? Ima4Ops::Open(track) : SsndOps::Open(track);
  if (track->format_tag != FourCC("ADP4")) return 0;
  auto in = std::make_unique<Instance>(*track);
  in->file.reset(TW_File_Open(track->path, kFileRead, 0));
  if (!in->file) return 0;
  g_adpcm = std::move(in);
  Seek(0.0);
  return 1;
}

int Probe(TW_File* file, const uint8_t* header, size_t header_size, TrackInfo* track) {
  if (!file || !track || header_size < 12 || iff::BigEndian32(header) != FourCC("FORM")) return 0;
  const uint32_t form = iff::BigEndian32(header + 8);
  if (form != FourCC("AIFF") && form != FourCC("AIFC")) return 0;
  IffReader reader(file);
  if (reader.ReadFormHeader() != form) return 0;
  TrackInfo found = *track;
  Common common;
  ChunkHeader samples;
  if (!ReadChunks(&reader, form == FourCC("AIFC"), &common, &samples, &found)) return 0;
  if (std::string unsupported = Unsupported(common, samples); !unsupported.empty()) {
    Probe_NoteUnsupported(std::move(unsupported));
    return 0;
  }
  if (!SetFormat(common, samples, &found)) return 0;
  InstallPlayback({Open, Close, Seek, Decode, Position}, &found);
  *track = found;
  return 1;
}

const char* Init() { return "[AIFF] SSND: 8-16bit PCM, ADP4: ADPCM 4"; }

}  // namespace

const DecoderClass kAiffDecoder = {"AIFF", Init, Close, Probe};

}  // namespace decoders
