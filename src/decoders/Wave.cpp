// RIFF WAVE: uncompressed PCM of 8 (unsigned) to 32 bits and 32- or 64-bit
// float, plain or WAVE_FORMAT_EXTENSIBLE, one to eight channels (more than two
// are mixed down to stereo after the channel mask, or the WAVE order without one).
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "decoders/Decoders.h"
#include "decoders/PcmTrack.h"
#include "platform/Utf8.h"

namespace decoders {
namespace {

constexpr uint32_t kTagWave = FourCC("WAVE");
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatMpeg = 0x50;
constexpr uint16_t kFormatMpegLayer3 = 0x55;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The GUID of an extensible subformat after its leading 16-bit format code.
constexpr uint8_t kSubformatSuffix[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (uint32_t(Le16(p + 2)) << 16); }
uint32_t Id(const uint8_t* p) {
  return FourCC({char(p[0]), char(p[1]), char(p[2]), char(p[3]), 0});
}

struct WaveFormat {
  uint16_t format = 0;  // an extensible file's subformat, when it names a known one
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint16_t bits = 0;    // container bits
  uint32_t channel_mask = 0;
  bool extensible = false;
};

struct WaveFacts {
  bool have_format = false;
  bool have_data = false;
  WaveFormat format;
  int64_t data_start = 0;
  int64_t data_bytes = 0;  // cut to what the file holds
};

bool PlausibleId(const uint8_t* p) {
  for (int i = 0; i < 4; ++i) {
    if (p[i] < 0x20 || p[i] > 0x7E) return false;
  }
  return true;
}

// Where the chunk after one of `size` bytes at `start` begins. Odd chunks are
// followed by a pad byte; writers that forgot it are recognised by a chunk ID
// sitting where the pad byte should be.
int64_t NextChunk(TW_File* file, int64_t start, uint32_t size) {
  const int64_t unpadded = start + 8 + int64_t(size);
  if ((size & 1) == 0) return unpadded;
  uint8_t id[4];
  if (ReadAt(file, unpadded + 1, id, 4) && PlausibleId(id)) return unpadded + 1;
  if (ReadAt(file, unpadded, id, 4) && PlausibleId(id)) return unpadded;
  return unpadded + 1;
}

// WAVE_FORMAT_EXTENSIBLE: cbSize 22, valid bits, channel mask, subformat GUID.
// The subformat's code replaces the format when the GUID is the standard one.
void ReadExtension(const uint8_t* raw, WaveFormat* format) {
  format->extensible = true;
  format->channel_mask = Le32(raw + 20);
  const bool standard = std::memcmp(raw + 26, kSubformatSuffix, sizeof kSubformatSuffix) == 0;
  if (standard) format->format = Le16(raw + 24);
}

bool ReadFormat(TW_File* file, int64_t contents, uint32_t size, WaveFormat* format) {
  uint8_t raw[40];
  const size_t wanted = size >= 40 ? 40 : 16;
  if (size < 16 || !ReadAt(file, contents, raw, wanted)) return false;
  format->format = Le16(raw);
  format->channels = Le16(raw + 2);
  format->rate = Le32(raw + 4);
  format->bits = Le16(raw + 14);
  if (format->format == kFormatExtensible && wanted == 40) ReadExtension(raw, format);
  return true;
}

// Walks the chunks from offset 12 until "fmt " and "data" were both seen. Every
// step moves forward and the walk ends at the end of the file, so no size can
// make it loop. A data chunk met first is skipped like any other.
bool WalkChunks(TW_File* file, int64_t file_size, WaveFacts* facts) {
  int64_t at = 12;
  while (!(facts->have_format && facts->have_data) && at + 8 <= file_size) {
    uint8_t header[8];
    if (!ReadAt(file, at, header, sizeof header)) return false;
    const uint32_t id = Id(header);
    const uint32_t size = Le32(header + 4);
    if (id == FourCC("fmt ") && !facts->have_format) {
      if (!ReadFormat(file, at + 8, size, &facts->format)) return false;
      facts->have_format = true;
    } else if (id == FourCC("data") && !facts->have_data) {
      facts->data_start = at + 8;
      facts->data_bytes = std::min<int64_t>(size, file_size - facts->data_start);
      facts->have_data = true;
    }
    at = NextChunk(file, at, size);
  }
  return facts->have_format && facts->have_data;
}

std::string FormatName(uint16_t format) {
  switch (format) {
    case 2: return "MS ADPCM WAVE";
    case 3: return "floating-point WAVE";
    case 6: return "A-law WAVE";
    case 7: return "mu-law WAVE";
    case 0x11: return "IMA ADPCM WAVE";
    case 0xFFFE: return "extensible WAVE";
    default: {
      char name[32];
      std::snprintf(name, sizeof name, "WAVE format 0x%04X", format);
      return name;
    }
  }
}

// How samples of the format are stored; false for one this module does not play.
bool CodingOf(const WaveFormat& f, PcmCoding* coding) {
  if (f.format == kFormatPcm) {
    switch (f.bits) {
      case 8: *coding = PcmCoding::kUnsigned8; return true;
      case 16: *coding = PcmCoding::kSigned16Le; return true;
      case 24: *coding = PcmCoding::kSigned24Le; return true;
      case 32: *coding = PcmCoding::kSigned32Le; return true;
      default: return false;
    }
  }
  if (f.format == kFormatFloat && f.bits == 32) *coding = PcmCoding::kFloat32Le;
  else if (f.format == kFormatFloat && f.bits == 64) *coding = PcmCoding::kFloat64Le;
  else return false;
  return true;
}

// What keeps the format from playing; "" when it plays.
std::string Unsupported(const WaveFormat& f) {
  if (f.format != kFormatPcm && f.format != kFormatFloat) return FormatName(f.format);
  if (!PlayableChannels(f.channels))
    return "WAVE with " + std::to_string(f.channels) + " channels";
  PcmCoding coding;
  if (!CodingOf(f, &coding))
    return std::to_string(f.bits) + (f.format == kFormatFloat ? "-bit float WAVE" : "-bit WAVE");
  if (!PlayableFrequency(f.rate)) return "WAVE at " + std::to_string(f.rate) + " Hz";
  return "";
}

struct Wave {
  static bool Layout(const TrackInfo& track, PcmLayout* layout) {
    if (track.format_tag != kTagWave || track.encoding > uint8_t(PcmCoding::kFloat64Be))
      return false;
    return LayoutOf(track, static_cast<PcmCoding>(track.encoding), layout);
  }
};
using Operations = PcmOperations<Wave>;

void Fill(const WaveFacts& facts, PcmCoding coding, TrackInfo* track) {
  const WaveFormat& f = facts.format;
  track->format_tag = kTagWave;
  platform::CopyField(track->type_text, "RIFF-WAVE");
  track->frequency = static_cast<int32_t>(f.rate);
  track->stereo = f.channels >= 2 ? 1 : 0;
  track->stored_channels = f.channels > 2 ? static_cast<uint8_t>(f.channels) : 0;
  track->channel_mask = f.channels > 2 ? f.channel_mask : 0;
  track->encoding = static_cast<uint8_t>(coding);
  track->bits = static_cast<int16_t>(f.channels > 2 ? 16 : DeliveredBits(coding));
  track->data_start[0] = track->data_start[1] = static_cast<uint32_t>(facts.data_start);
  track->length = FrameCount(facts.data_bytes, StoredBytes(coding) * f.channels);
  track->seekable = 1;
  Operations::Install(track);
}

const char* Init() { return "[WAVE] 8-16bit PCM"; }

void Exit() { Operations::Close(); }

int Probe(TW_File* file, const uint8_t* header, size_t header_size, TrackInfo* track) {
  if (!file || !header || !track || header_size < 12) return 0;
  if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) return 0;
  uint8_t start[12];
  if (!ReadAt(file, 0, start, sizeof start) || std::memcmp(start, header, sizeof start) != 0)
    return 0;
  WaveFacts facts;
  const int64_t file_size = TW_File_Size(file);
  if (!WalkChunks(file, file_size, &facts)) return 0;
  // MPEG audio in a WAVE wrapper is left to the MPEG module, which plays it.
  if (facts.format.format == kFormatMpeg || facts.format.format == kFormatMpegLayer3) return 0;
  if (std::string unsupported = Unsupported(facts.format); !unsupported.empty()) {
    Probe_NoteUnsupported(std::move(unsupported));
    return 0;
  }
  if (facts.data_start > std::numeric_limits<uint32_t>::max()) return 0;
  PcmCoding coding = PcmCoding::kSigned16Le;
  CodingOf(facts.format, &coding);
  Fill(facts, coding, track);
  return 1;
}

}  // namespace

const DecoderClass kWaveDecoder = {"WAVE", Init, Exit, Probe};

}  // namespace decoders
