#include "settings/LegacySettingsRecord.h"

#include <algorithm>
#include <string>

namespace settings {
namespace {

constexpr uint32_t kLegacyVersion = 1;
constexpr size_t kTextField = 256;

// Reads big-endian fields byte by byte, whatever the machine's byte order.
class BigEndianFields {
 public:
  explicit BigEndianFields(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint16_t U16(size_t offset) const {
    return static_cast<uint16_t>(bytes_[offset] << 8 | bytes_[offset + 1]);
  }
  uint32_t U32(size_t offset) const {
    return static_cast<uint32_t>(U16(offset)) << 16 | U16(offset + 2);
  }
  int32_t I32(size_t offset) const { return static_cast<int32_t>(U32(offset)); }
  // A NUL-terminated text field; an unterminated one stops one byte short of
  // its end, as its last byte is the terminator's place.
  std::string Text(size_t offset) const {
    const auto field = bytes_.subspan(offset, kTextField - 1);
    const auto end = std::find(field.begin(), field.end(), uint8_t{0});
    return std::string(field.begin(), end);
  }

 private:
  std::span<const uint8_t> bytes_;
};

void DecodeAudio(const BigEndianFields& f, AudioSettings& a) {
  a.filter = f.U16(8);
  a.expand = f.U16(10);
  a.boost = f.U16(12);
  a.freq_conversion_active = f.U16(14);
  a.volume = f.I32(16);
  a.balance = f.I32(20);
  a.bass_treble = f.U16(24);
  a.bass = f.I32(28);
  a.treble = f.I32(32);
  a.device = f.U32(36);
  a.mode_id = f.U32(40);
  a.mode_name = f.Text(44);
  a.mixing_mode = f.U32(300);
  a.mixing_freq = f.U32(304);
  a.limit_freq = f.U32(308);
  a.buffer_time = f.U32(312);
}

void DecodeMpegLayer(const BigEndianFields& f, size_t offset, MpegLayerSettings& m) {
  m.mono_freq_max = f.U32(offset);
  m.mono_quality = f.U32(offset + 4);
  m.stereo_freq_max = f.U32(offset + 8);
  m.stereo_quality = f.U32(offset + 12);
  m.mono_forced = f.U16(offset + 16);
}

void DecodeLevels(const BigEndianFields& f, LevelsSettings& l) {
  l.meter_type = f.U16(876);
  l.gauge_type = f.U16(878);
  l.spectrum_type = f.U16(880);
  l.cpu_usage = f.U16(882);
  l.window_opened = f.U16(884);
}

}  // namespace

bool IsLegacySettingsRecord(std::span<const uint8_t> bytes) {
  static constexpr uint8_t kMagic[] = {'T', 'W', 'C', 'F'};
  return bytes.size() >= kLegacyRecordSize && std::equal(kMagic, kMagic + 4, bytes.begin()) &&
         BigEndianFields(bytes).U32(4) == kLegacyVersion;
}

bool DecodeLegacySettingsRecord(std::span<const uint8_t> bytes, SettingsSnapshot& snapshot) {
  if (!IsLegacySettingsRecord(bytes)) return false;
  const BigEndianFields fields(bytes.first(kLegacyRecordSize));
  DecodeAudio(fields, snapshot.audio);
  snapshot.main.file_drawer = fields.Text(316);
  DecodeMpegLayer(fields, 572, snapshot.mpeg.layer12);
  DecodeMpegLayer(fields, 592, snapshot.mpeg.layer3);
  snapshot.karaoke.advance_time = fields.I32(612);
  snapshot.karaoke.lines = fields.U16(616);
  snapshot.karaoke.window_opened = fields.U16(618);
  snapshot.karaoke.path = fields.Text(620);
  DecodeLevels(fields, snapshot.levels);
  return true;
}

}  // namespace settings
