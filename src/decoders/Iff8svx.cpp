// IFF 8SVX: signed 8-bit samples, plain or Fibonacci-delta coded, one channel or
// two stored one block after the other (read through two handles on the file).
// Fibonacci data cannot be entered at an arbitrary byte, so playing records each
// channel's value every 1024 samples and seeks restart from the nearest record.
#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
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

constexpr uint8_t kPlain = 0;
constexpr uint8_t kFibonacci = 1;
constexpr int kMaxChannels = 2;
// Each Fibonacci channel block starts with a pad byte and its initial value.
constexpr int64_t kFibonacciPrefix = 2;
constexpr std::array<int8_t, 16> kFibonacciDeltas = {-34, -21, -13, -8, -5, -3, -2, -1,
                                                     0,   1,   2,   3,  5,  8,  13, 21};

// Per channel, the value decoding continues from.
using ChannelValues = std::array<int8_t, kMaxChannels>;
using Outputs = std::array<int8_t*, kMaxChannels>;

struct Instance {
  TrackInfo track;
  std::array<FileHandle, kMaxChannels> files;
  int64_t position = 0;  // frames
  ChannelValues current{};
  iff::SeekTable<ChannelValues> seek_table;
  std::vector<uint8_t> codes;  // one call's compressed bytes of one channel

  explicit Instance(const TrackInfo& info) : track(info), seek_table(info.length) {}
  int channels() const { return track.stereo ? 2 : 1; }
};

std::unique_ptr<Instance> g_instance;  // the one open track; audio task only

struct VoiceHeader {
  uint32_t one_shot = 0;
  uint32_t repeat = 0;
  uint16_t rate = 0;
  uint8_t compression = 0;
};

// Walks the chunks up to BODY; false when the list breaks off first or has no VHDR.
bool ReadChunks(IffReader* reader, VoiceHeader* voice, ChunkHeader* body, TrackInfo* track) {
  bool have_voice = false;
  ChunkHeader chunk;
  while (reader->ReadChunkHeader(&chunk)) {
    bool ok = true;
    if (chunk.id == FourCC("BODY")) {
      *body = chunk;
      return have_voice;
    } else if (chunk.id == FourCC("VHDR")) {
      uint8_t bytes[20];
      ok = have_voice = reader->ReadRecord(chunk, bytes, sizeof bytes);
      voice->one_shot = iff::BigEndian32(bytes);
      voice->repeat = iff::BigEndian32(bytes + 4);
      voice->rate = iff::BigEndian16(bytes + 12);
      voice->compression = bytes[15];
    } else {
      ok = reader->ReadTextOrSkip(chunk, track);
    }
    if (!ok) return false;
  }
  return false;
}

// Channel count, length and the second channel's start. The length is also
// bounded by the bytes the file really holds, so no read runs into the other
// channel's block or past the end.
void SetLayout(const VoiceHeader& voice, const ChunkHeader& body, TrackInfo* track) {
  const int64_t size = body.size;
  int64_t length = int64_t(voice.one_shot) + voice.repeat;
  if (length == 0) length = size;
  int64_t channel_bytes = body.stored;
  if (voice.compression == kFibonacci) {
    track->stereo = size - 2 * kFibonacciPrefix == length;
    length = track->stereo ? length : 2 * (size - 2 * kFibonacciPrefix);
    if (track->stereo) channel_bytes = std::min(size / 2, body.stored - size / 2);
    track->data_start[1] = track->data_start[0] + uint32_t(track->stereo ? size / 2 : 0);
    length = std::min(length, 2 * (channel_bytes - kFibonacciPrefix));
  } else {
    track->stereo = size == 2 * length;
    if (track->stereo) channel_bytes = std::min(length, body.stored - length);
    track->data_start[1] = track->data_start[0] + uint32_t(track->stereo ? length : 0);
    length = std::min(length, channel_bytes);
  }
  track->length = static_cast<int32_t>(std::clamp<int64_t>(length, 0, INT32_MAX));
}

// Expands Fibonacci codes, high nibble first; sums wrap modulo 256.
void ExpandFibonacci(const uint8_t* codes, size_t count, int8_t* value, int8_t* out) {
  auto sample = static_cast<uint8_t>(*value);
  for (size_t i = 0; i < count; ++i) {
    sample = static_cast<uint8_t>(sample + kFibonacciDeltas[codes[i] >> 4]);
    *out++ = static_cast<int8_t>(sample);
    sample = static_cast<uint8_t>(sample + kFibonacciDeltas[codes[i] & 0x0F]);
    *out++ = static_cast<int8_t>(sample);
  }
  *value = static_cast<int8_t>(sample);
}

// Notes the state before every block boundary that these samples reach.
void RecordBoundaries(Instance* in, const ChannelValues& before, const Outputs& out,
                      int64_t produced) {
  const int64_t start = in->position;
  if (start % kSeekBlock == 0) in->seek_table.Record(start / kSeekBlock, before);
  for (int64_t block = start / kSeekBlock + 1; block * kSeekBlock <= start + produced; ++block) {
    ChannelValues values = in->current;
    for (int c = 0; c < in->channels(); ++c) {
      if (out[c]) values[c] = out[c][block * kSeekBlock - start - 1];
    }
    in->seek_table.Record(block, values);
  }
}

int64_t DecodeFibonacci(Instance* in, const Outputs& out, int64_t frames) {
  const ChannelValues before = in->current;
  const auto bytes = static_cast<size_t>(frames / 2);
  in->codes.resize(bytes);
  int64_t produced = -1;
  for (int c = 0; c < in->channels(); ++c) {
    if (!in->files[c] || !out[c]) continue;
    const size_t got = iff::ReadSome(in->files[c].get(), in->codes.data(), bytes);
    ExpandFibonacci(in->codes.data(), got, &in->current[c], out[c]);
    produced = produced < 0 ? int64_t(2 * got) : std::min(produced, int64_t(2 * got));
  }
  if (produced <= 0) return 0;
  RecordBoundaries(in, before, out, produced);
  in->position += produced;
  return produced;
}

int64_t DecodePlain(Instance* in, const Outputs& out, int64_t frames) {
  int64_t delivered = -1;
  for (int c = 0; c < in->channels(); ++c) {
    if (!in->files[c] || !out[c]) continue;
    const size_t got = iff::ReadSome(in->files[c].get(), reinterpret_cast<uint8_t*>(out[c]),
                                     static_cast<size_t>(frames));
    delivered = delivered < 0 ? int64_t(got) : std::min(delivered, int64_t(got));
  }
  if (delivered <= 0) return 0;
  in->position += delivered;
  return delivered;
}

int32_t Decode(void* left, void* right, int32_t max_frames, double seconds) {
  if (!g_instance || max_frames <= 0) return 0;
  Instance* in = g_instance.get();
  const int64_t frames = FramesIn(seconds, in->track.frequency,
                                  std::min<int64_t>(max_frames, in->track.length - in->position));
  if (frames <= 0) return 0;
  const Outputs out = {static_cast<int8_t*>(left), static_cast<int8_t*>(right)};
  if (in->track.encoding == kPlain) return static_cast<int32_t>(DecodePlain(in, out, frames));
  if (in->track.encoding == kFibonacci)
    return static_cast<int32_t>(DecodeFibonacci(in, out, frames));
  return 0;
}

// Puts every channel's handle at data_start + offset; false if one refuses.
bool PlaceFiles(Instance* in, int64_t offset) {
  bool placed = true;
  for (int c = 0; c < in->channels(); ++c) {
    placed = iff::SeekTo(in->files[c].get(), int64_t(in->track.data_start[c]) + offset) && placed;
  }
  return placed;
}

// Restarts block 0 from each channel's initial value.
void RestartFibonacci(Instance* in) {
  in->position = 0;
  in->current = {};
  for (int c = 0; c < in->channels(); ++c) {
    uint8_t prefix[kFibonacciPrefix] = {};
    if (iff::SeekTo(in->files[c].get(), in->track.data_start[c]))
      iff::ReadSome(in->files[c].get(), prefix, sizeof prefix);
    in->current[c] = static_cast<int8_t>(prefix[1]);
  }
}

void SeekFibonacci(Instance* in, int64_t target) {
  const int64_t block = target / kSeekBlock;
  if (block <= in->seek_table.highest()) {
    if (block > 0 && PlaceFiles(in, kFibonacciPrefix + block * kSeekBlock / 2)) {
      in->position = block * kSeekBlock;
      in->current = in->seek_table.At(block);
    } else {
      RestartFibonacci(in);
    }
  }
  std::array<int8_t, kSeekBlock> scratch[kMaxChannels];
  const Outputs out = {scratch[0].data(), scratch[1].data()};
  while (in->position < target) {
    if (DecodeFibonacci(in, out, std::min(target - in->position, kSeekBlock)) <= 0) break;
  }
}

double Seek(double seconds) {
  if (!g_instance) return 0.0;
  Instance* in = g_instance.get();
  const int64_t target = FramesIn(seconds, in->track.frequency, in->track.length);
  if (in->track.encoding == kFibonacci) {
    SeekFibonacci(in, target);
  } else {
    // A RAM copy refuses a seek to its very end; the track is then over all the same.
    in->position = PlaceFiles(in, target) ? target : in->track.length;
  }
  return iff::SecondsFor(in->position, in->track.frequency);
}

double Position() {
  return g_instance ? iff::SecondsFor(g_instance->position, g_instance->track.frequency) : 0.0;
}

void Close() { g_instance.reset(); }

int Open(TrackInfo* track) {
  if (!track || track->format_tag != FourCC("8SVX")) return 0;
  Close();
  auto in = std::make_unique<Instance>(*track);
  for (int c = 0; c < in->channels(); ++c) {
    in->files[c].reset(TW_File_Open(track->path, kFileRead, 0));
    if (!in->files[c]) return 0;
  }
  g_instance = std::move(in);
  Seek(0.0);
  return 1;
}

int Probe(TW_File* file, const uint8_t* header, size_t header_size, TrackInfo* track) {
  if (!file || !track || header_size < 12) return 0;
  if (iff::BigEndian32(header) != FourCC("FORM") || iff::BigEndian32(header + 8) != FourCC("8SVX"))
    return 0;
  IffReader reader(file);
  if (reader.ReadFormHeader() != FourCC("8SVX")) return 0;
  TrackInfo found = *track;
  VoiceHeader voice;
  ChunkHeader body;
  if (!ReadChunks(&reader, &voice, &body, &found) || voice.rate == 0 || !body.FitsOffsets())
    return 0;
  found.format_tag = FourCC("8SVX");
  found.data_start[0] = found.data_start[1] = static_cast<uint32_t>(body.start);
  SetLayout(voice, body, &found);
  found.frequency = voice.rate;
  found.bits = 8;
  found.encoding = voice.compression;
  std::snprintf(found.type_text, sizeof found.type_text, "%s",
                voice.compression == kFibonacci ? "8SVX-FIB" : "8SVX");
  found.seekable = 1;
  InstallPlayback({Open, Close, Seek, Decode, Position}, &found);
  *track = found;
  return 1;
}

const char* Init() { return "[IFF 8SVX] 8bit PCM, Fibonacci delta"; }

}  // namespace

const DecoderClass kIff8svxDecoder = {"IFF 8SVX", Init, Close, Probe};

}  // namespace decoders
