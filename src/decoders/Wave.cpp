// RIFF WAVE: uncompressed PCM, 8 (unsigned) or 16 (little-endian) bits, one or
// two channels.
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

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (uint32_t(Le16(p + 2)) << 16); }
uint32_t Id(const uint8_t* p) {
  return FourCC({char(p[0]), char(p[1]), char(p[2]), char(p[3]), 0});
}

struct WaveFormat {
  uint16_t format = 0;
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint16_t bits = 0;
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

bool ReadFormat(TW_File* file, int64_t contents, uint32_t size, WaveFormat* format) {
  uint8_t raw[16];
  if (size < sizeof raw || !ReadAt(file, contents, raw, sizeof raw)) return false;
  format->format = Le16(raw);
  format->channels = Le16(raw + 2);
  format->rate = Le32(raw + 4);
  format->bits = Le16(raw + 14);
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
    case 0x50: return "MPEG WAVE";
    case 0x55: return "MPEG layer III WAVE";
    case 0xFFFE: return "extensible WAVE";
    default: {
      char name[32];
      std::snprintf(name, sizeof name, "WAVE format 0x%04X", format);
      return name;
    }
  }
}

// What keeps the format from playing; "" when it plays.
std::string Unsupported(const WaveFormat& f) {
  if (f.format != kFormatPcm) return FormatName(f.format);
  if (f.channels != 1 && f.channels != 2)
    return "WAVE with " + std::to_string(f.channels) + " channels";
  if (f.bits != 8 && f.bits != 16) return std::to_string(f.bits) + "-bit WAVE";
  if (!PlayableFrequency(f.rate)) return "WAVE at " + std::to_string(f.rate) + " Hz";
  return "";
}

struct Wave {
  static bool Layout(const TrackInfo& track, PcmLayout* layout) {
    if (track.format_tag != kTagWave || (track.bits != 8 && track.bits != 16)) return false;
    return LayoutOf(track, track.bits == 16 ? PcmCoding::kSigned16Le : PcmCoding::kUnsigned8,
                    layout);
  }
};
using Operations = PcmOperations<Wave>;

void Fill(const WaveFacts& facts, TrackInfo* track) {
  const WaveFormat& f = facts.format;
  track->format_tag = kTagWave;
  platform::CopyField(track->type_text, "RIFF-WAVE");
  track->frequency = static_cast<int32_t>(f.rate);
  track->stereo = f.channels == 2 ? 1 : 0;
  track->bits = static_cast<int16_t>(f.bits);
  track->encoding = 0;
  track->data_start[0] = track->data_start[1] = static_cast<uint32_t>(facts.data_start);
  track->length = FrameCount(facts.data_bytes, size_t(f.channels) * (f.bits / 8));
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
  if (std::string unsupported = Unsupported(facts.format); !unsupported.empty()) {
    Probe_NoteUnsupported(std::move(unsupported));
    return 0;
  }
  if (facts.data_start > std::numeric_limits<uint32_t>::max()) return 0;
  Fill(facts, track);
  return 1;
}

}  // namespace

const DecoderClass kWaveDecoder = {"WAVE", Init, Exit, Probe};

}  // namespace decoders
