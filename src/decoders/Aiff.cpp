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
#include <vector>

#include "decoders/Decoders.h"
#include "decoders/IffReader.h"
#include "decoders/TW_File.h"

namespace decoders {
namespace {

using iff::ChunkHeader;
using iff::IffReader;
using iff::kSeekBlock;

constexpr uint8_t kBigEndian = 0;
constexpr uint8_t kLittleEndian = 1;  // AIFF-C "sowt"
constexpr size_t kSamplePrefix = 8;   // offset and block size before the samples
constexpr double kMaxFrequency = 768000.0;

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
  int64_t position = 0;       // frames
  std::vector<uint8_t> work;  // PCM conversion buffer, or ADPCM read buffer
  AdpcmState state;
  iff::SeekTable<AdpcmState> seek_table;

  explicit Instance(const TrackInfo& info) : track(info), seek_table(info.length) {}
  int channels() const { return track.stereo ? 2 : 1; }
  int64_t frame_bytes() const { return channels() * (track.bits == 16 ? 2 : 1); }
};

std::unique_ptr<Instance> g_instance;  // the one open track; audio task only

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

// Fills the format fields; false for what cannot be played.
bool SetFormat(const Common& common, const ChunkHeader& samples, TrackInfo* track) {
  if (!(common.rate >= 1.0 && common.rate <= kMaxFrequency)) return false;  // NaN too
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

int16_t ReadSample16(const uint8_t* bytes, uint8_t order) {
  return static_cast<int16_t>(order == kBigEndian ? bytes[0] << 8 | bytes[1]
                                                  : bytes[1] << 8 | bytes[0]);
}

// Reads interleaved PCM and hands each channel its own buffer in native order.
int64_t DecodePcm(Instance* in, void* left, void* right, int64_t frames) {
  if (!left) return 0;
  const int64_t frame_bytes = in->frame_bytes();
  in->work.resize(static_cast<size_t>(frames * frame_bytes));
  const size_t got = iff::ReadSome(in->file.get(), in->work.data(), in->work.size());
  const int64_t delivered = static_cast<int64_t>(got) / frame_bytes;
  std::array<uint8_t*, 2> out = {static_cast<uint8_t*>(left), static_cast<uint8_t*>(right)};
  const uint8_t* src = in->work.data();
  for (int64_t f = 0; f < delivered; ++f) {
    for (int c = 0; c < in->channels(); ++c) {
      if (in->track.bits == 16) {
        const int16_t sample = ReadSample16(src, in->track.encoding);
        if (out[c]) std::memcpy(out[c] + 2 * f, &sample, 2);
        src += 2;
      } else {
        if (out[c]) out[c][f] = *src;
        src += 1;
      }
    }
  }
  in->position += delivered;
  return delivered;
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
  in->work.resize(kSeekBlock / 2);
  while (frames > 0) {
    const int64_t offset = in->position % kSeekBlock;
    if (offset == 0) in->seek_table.Record(in->position / kSeekBlock, in->state);
    const int64_t take = std::min(kSeekBlock - offset, frames);
    const size_t got = iff::ReadSome(in->file.get(), in->work.data(), size_t(take / 2));
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) {
      out[done++] = ExpandNibble(&in->state, in->work[i] >> 4);
      out[done++] = ExpandNibble(&in->state, in->work[i] & 0x0F);
    }
    in->position += int64_t(2 * got);
    frames -= int64_t(2 * got);
  }
  return done;
}

bool IsAdpcm(const Instance& in) { return in.track.format_tag == FourCC("ADP4"); }

int32_t Decode(void* left, void* right, int32_t max_frames, double seconds) {
  if (!g_instance || max_frames <= 0) return 0;
  Instance* in = g_instance.get();
  const int64_t frames = std::min<int64_t>(
      max_frames, iff::FramesFor(seconds, in->track.frequency, in->track.length - in->position));
  if (frames <= 0) return 0;
  if (IsAdpcm(*in))
    return left ? static_cast<int32_t>(DecodeAdpcm(in, static_cast<int16_t*>(left), frames)) : 0;
  return static_cast<int32_t>(DecodePcm(in, left, right, frames));
}

// Puts the file at the data start + offset; false (and back at the start) if refused.
bool PlaceFile(Instance* in, int64_t offset) {
  if (iff::SeekTo(in->file.get(), int64_t(in->track.data_start[0]) + offset)) return true;
  iff::SeekTo(in->file.get(), in->track.data_start[0]);
  return false;
}

void SeekAdpcm(Instance* in, int64_t target) {
  target &= ~int64_t(1);
  const int64_t block = target / kSeekBlock;
  if (block <= in->seek_table.highest()) {
    const bool placed = PlaceFile(in, block * kSeekBlock / 2);
    in->position = placed ? block * kSeekBlock : 0;
    in->state = placed ? in->seek_table.At(block) : AdpcmState{};
  }
  std::array<int16_t, kSeekBlock> scratch;
  while (in->position < target) {
    if (DecodeAdpcm(in, scratch.data(), std::min(target - in->position, kSeekBlock)) <= 0) break;
  }
}

double Seek(double seconds) {
  if (!g_instance) return 0.0;
  Instance* in = g_instance.get();
  const int64_t target = iff::FramesFor(seconds, in->track.frequency, in->track.length);
  if (IsAdpcm(*in)) {
    SeekAdpcm(in, target);
  } else {
    in->position = PlaceFile(in, target * in->frame_bytes()) ? target : 0;
  }
  return iff::SecondsFor(in->position, in->track.frequency);
}

double Position() {
  return g_instance ? iff::SecondsFor(g_instance->position, g_instance->track.frequency) : 0.0;
}

void Close() { g_instance.reset(); }

int Open(TrackInfo* track) {
  if (!track || (track->format_tag != FourCC("SSND") && track->format_tag != FourCC("ADP4")))
    return 0;
  Close();
  auto in = std::make_unique<Instance>(*track);
  in->file.reset(TW_File_Open(track->path, kFileRead, 0));
  if (!in->file) return 0;
  g_instance = std::move(in);
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
  if (!SetFormat(common, samples, &found)) return 0;
  found.open = Open;
  found.close = Close;
  found.seek = Seek;
  found.decode = Decode;
  found.position = Position;
  found.edit_tags = nullptr;
  *track = found;
  return 1;
}

const char* Init() { return "[AIFF] SSND: 8-16bit PCM, ADP4: ADPCM 4"; }

}  // namespace

const DecoderClass kAiffDecoder = {"AIFF", Init, Close, Probe};

}  // namespace decoders
