// AIFF and AIFF-C: an SSND chunk of 8- or 16-bit PCM (big-endian, or
// little-endian for AIFF-C "sowt"), or an ADP4 chunk of one channel of 4-bit IMA
// ADPCM. ADPCM cannot be entered at an arbitrary byte, so playing records the
// decoder state every 1024 samples and seeks restart from the nearest record.
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
#include "decoders/PcmTrack.h"
#include "decoders/TW_File.h"

namespace decoders {
namespace {

using iff::ChunkHeader;
using iff::IffReader;
using iff::kSeekBlock;

constexpr uint8_t kBigEndian = 0;
constexpr uint8_t kLittleEndian = 1;  // AIFF-C "sowt"
constexpr size_t kSamplePrefix = 8;   // offset and block size before the samples

constexpr std::array<int16_t, 89> kImaSteps = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int8_t, 16> kImaIndexSteps = {-1, -1, -1, -1, 2, 4, 6, 8,
                                                   -1, -1, -1, -1, 2, 4, 6, 8};

struct AdpcmState {
  int32_t predicted = 0;
  int32_t index = 0;
};

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

// Sample byte order for SSND data; false for compressions that are not PCM.
bool PcmByteOrder(uint32_t compression, uint8_t* order) {
  if (compression == FourCC("NONE") || compression == FourCC("twos")) {
    *order = kBigEndian;
  } else if (compression == FourCC("sowt")) {
    *order = kLittleEndian;
  } else {
    return false;
  }
  return true;
}

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
  uint8_t order = 0;
  if (!adpcm && !PcmByteOrder(common.compression, &order))
    return "AIFF-C compression '" + CompressionText(common.compression) + "'";
  if (common.channels != 1 && common.channels != 2)
    return "AIFF with " + std::to_string(common.channels) + " channels";
  if (adpcm && common.channels != 1) return "two-channel AIFF ADP4";
  if (!adpcm && common.bits != 8 && common.bits != 16)
    return std::to_string(common.bits) + "-bit AIFF";
  return "";
}

// Fills the format fields; false for what cannot be played.
bool SetFormat(const Common& common, const ChunkHeader& samples, TrackInfo* track) {
  if (!(common.rate >= 1.0 && common.rate <= double(kMaxFrequency))) return false;  // NaN too
  if (common.channels != 1 && common.channels != 2) return false;
  if (!samples.FitsOffsets()) return false;
  const bool adpcm = samples.id == FourCC("ADP4");
  const int64_t data_bytes = std::max<int64_t>(0, samples.stored - int64_t(kSamplePrefix));
  int64_t available = 0;
  if (adpcm) {
    // The two-channel ADP4 layout is not settled; only one channel is played.
    if (common.channels != 1) return false;
    track->bits = 16;  // ADPCM always expands to 16 bits
    available = 2 * data_bytes;
  } else {
    if (common.bits != 8 && common.bits != 16) return false;
    if (!PcmByteOrder(common.compression, &track->encoding)) return false;
    track->bits = common.bits;
    available = data_bytes / (common.channels * (common.bits / 8));
  }
  track->format_tag = samples.id;
  track->stereo = common.channels == 2;
  track->frequency = static_cast<int32_t>(common.rate);
  track->length = static_cast<int32_t>(std::min<int64_t>({common.frames, available, INT32_MAX}));
  track->data_start[0] = track->data_start[1] = uint32_t(samples.start + int64_t(kSamplePrefix));
  std::snprintf(track->type_text, sizeof track->type_text, "%s", adpcm ? "AIFF-ADP4" : "AIFF");
  track->seekable = 1;
  return true;
}

int16_t ExpandNibble(AdpcmState* state, uint8_t code) {
  const int32_t step = kImaSteps[static_cast<size_t>(state->index)];
  int32_t difference = step >> 3;
  if (code & 4) difference += step;
  if (code & 2) difference += step >> 1;
  if (code & 1) difference += step >> 2;
  state->predicted += (code & 8) ? -difference : difference;
  state->predicted = std::clamp(state->predicted, -32768, 32767);
  state->index = std::clamp(state->index + kImaIndexSteps[code], 0, 88);
  return static_cast<int16_t>(state->predicted);
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
      out[done++] = ExpandNibble(&in->state, in->codes[i] >> 4);
      out[done++] = ExpandNibble(&in->state, in->codes[i] & 0x0F);
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

// SSND data plays through the shared PCM track.
struct SsndPcm {
  static bool Layout(const TrackInfo& track, PcmLayout* layout) {
    if (track.format_tag != FourCC("SSND")) return false;
    layout->data_start = track.data_start[0];
    layout->length = track.length;
    layout->frequency = track.frequency;
    layout->channels = track.stereo ? 2 : 1;
    layout->coding = track.bits == 8                   ? PcmCoding::kSigned8
                     : track.encoding == kLittleEndian ? PcmCoding::kSigned16Le
                                                       : PcmCoding::kSigned16Be;
    return true;
  }
};
using SsndOps = PcmOperations<SsndPcm>;

// The module's operations: the ADPCM instance when one is open, else the PCM track.
int32_t Decode(void* left, void* right, int32_t max_frames, double seconds) {
  return g_adpcm ? DecodeAdpcmTrack(left, max_frames, seconds)
                 : SsndOps::Decode(left, right, max_frames, seconds);
}

double Seek(double seconds) { return g_adpcm ? SeekAdpcm(seconds) : SsndOps::Seek(seconds); }

double Position() {
  return g_adpcm ? iff::SecondsFor(g_adpcm->position, g_adpcm->track.frequency)
                 : SsndOps::Position();
}

void Close() {
  g_adpcm.reset();
  SsndOps::Close();
}

int Open(TrackInfo* track) {
  Close();
  if (!track) return 0;
  if (track->format_tag == FourCC("SSND")) return SsndOps::Open(track);
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
  iff::Install({Open, Close, Seek, Decode, Position}, &found);
  *track = found;
  return 1;
}

const char* Init() { return "[AIFF] SSND: 8-16bit PCM, ADP4: ADPCM 4"; }

}  // namespace

const DecoderClass kAiffDecoder = {"AIFF", Init, Close, Probe};

}  // namespace decoders
