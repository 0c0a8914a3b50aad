#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "SettingsTestGroups.h"
#include "settings/LegacySettingsRecord.h"
#include "settings/SettingsFile.h"
#include "support/TestSupport.h"

using testsupport::TempDir;

namespace {

// Lays out an older settings record field by field, most significant byte first.
class RecordBuilder {
 public:
  RecordBuilder() : bytes_(settings::kLegacyRecordSize, 0) {
    Text(0, "TWCF");
    U32(4, 1);
  }
  RecordBuilder& U16(size_t at, uint16_t v) {
    bytes_.at(at) = static_cast<uint8_t>(v >> 8);
    bytes_.at(at + 1) = static_cast<uint8_t>(v);
    return *this;
  }
  RecordBuilder& U32(size_t at, uint32_t v) {
    U16(at, static_cast<uint16_t>(v >> 16));
    return U16(at + 2, static_cast<uint16_t>(v));
  }
  RecordBuilder& Text(size_t at, const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) bytes_.at(at + i) = static_cast<uint8_t>(text[i]);
    return *this;
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

RecordBuilder SampleRecord() {
  RecordBuilder r;
  r.U16(8, 1).U16(10, 1).U16(12, 1).U16(14, 0);  // filter, expand, boost, conversion flag
  r.U32(16, 100).U32(20, static_cast<uint32_t>(-30)).U16(24, 1);  // volume, balance, bass_treble
  r.U32(28, static_cast<uint32_t>(-6)).U32(32, 7);                // bass, treble
  r.U32(36, 1).U32(40, 0x80123456u).Text(44, "hw:1,0");
  r.U32(300, 2).U32(304, 44100).U32(308, 22050).U32(312, 2000);
  r.Text(316, "/home/user/Music");
  r.U32(572, 22050).U32(576, 1).U32(580, 32000).U32(584, 0).U16(588, 1);  // MPEG2
  r.U32(592, 48000).U32(596, 2).U32(600, 24000).U32(604, 1).U16(608, 0);  // MPEG3
  r.U32(612, 300).U16(616, 2).U16(618, 1).Text(620, "/lyrics");
  r.U16(876, 2).U16(878, 0).U16(880, 1).U16(882, 1).U16(884, 1);
  return r;
}

}  // namespace

using LegacySettingsRecord = SettingsGroupsTest;

TEST_F(LegacySettingsRecord, LayoutMatchesAnIndependentPacker) {
  TW_REQUIRE_TOOLS("python3");
  const std::string script =
      "import struct,sys\n"
      "def layer(a,b,c,d,e): return struct.pack('>IIIIH2x',a,b,c,d,e)\n"
      "r = struct.pack('>4sIHHHHIiH2xiiII256sIIII256s', b'TWCF', 1, 1, 1, 1, 0, 100, -30, 1,"
      " -6, 7, 1, 0x80123456, b'hw:1,0', 2, 44100, 22050, 2000, b'/home/user/Music')\n"
      "r += layer(22050,1,32000,0,1) + layer(48000,2,24000,1,0)\n"
      "r += struct.pack('>IHH256sHHHHH2x', 300, 2, 1, b'/lyrics', 2, 0, 1, 1, 1)\n"
      "sys.stdout.write(r.hex().upper())\n";
  TempDir dir;
  testsupport::WriteTextFile(dir.File("pack.py"), script);
  const auto packed = testsupport::Run("python3 " + dir.File("pack.py"));
  ASSERT_EQ(packed.exit_code, 0);
  EXPECT_EQ(packed.out, settings::EncodeBlock(SampleRecord().bytes()));
}

TEST_F(LegacySettingsRecord, RecordFileLoadsIntoTheGroups) {
  TempDir dir;
  const std::string path = dir.File("Tunewright.cfg");
  auto record = SampleRecord();
  // Text after the record is never read as settings.
  std::vector<uint8_t> file = record.bytes();
  const std::string tail = "\n[AUDIO]\nVOLUME=5\n";
  file.insert(file.end(), tail.begin(), tail.end());
  testsupport::WriteBinaryFile(path, file);
  settings::KaraokeSettings karaoke;
  karaoke.screen_font = "kept";
  settings::Karaoke().Apply(karaoke);
  ASSERT_TRUE(settings::Settings_Load(path));

  const settings::AudioSettings& a = settings::Audio();
  EXPECT_EQ(a.filter, 1);
  EXPECT_EQ(a.boost, 1);
  EXPECT_EQ(a.freq_conversion_active, 0);
  EXPECT_EQ(a.volume, 100);
  EXPECT_EQ(a.balance, -30);
  EXPECT_EQ(a.bass, -6);
  EXPECT_EQ(a.treble, 7);
  EXPECT_EQ(a.mode_id, 0x80123456u);
  EXPECT_EQ(a.mode_name, "hw:1,0");
  EXPECT_EQ(a.mixing_mode, 2u);
  EXPECT_EQ(a.limit_freq, 22050u);
  EXPECT_EQ(a.buffer_time, 2000u);
  EXPECT_EQ(a.priority, 9);  // not in the record
  EXPECT_EQ(settings::Main().Fetch().file_drawer, "/home/user/Music");
  const settings::MpegSettings mpeg = settings::Mpeg().Fetch();
  EXPECT_EQ(mpeg.layer12.mono_freq_max, 22050u);
  EXPECT_EQ(mpeg.layer12.stereo_freq_max, 32000u);
  EXPECT_EQ(mpeg.layer12.mono_forced, 1);
  EXPECT_EQ(mpeg.layer3.mono_freq_max, 48000u);
  EXPECT_EQ(mpeg.layer3.stereo_quality, 1u);
  const settings::KaraokeSettings k = settings::Karaoke().Fetch();
  EXPECT_EQ(k.advance_time, 300);
  EXPECT_EQ(k.lines, 2);
  EXPECT_EQ(k.path, "/lyrics");
  EXPECT_EQ(k.screen_font, "kept");
  const settings::LevelsSettings l = settings::Levels().Fetch();
  EXPECT_EQ(l.meter_type, 2);
  EXPECT_EQ(l.gauge_type, 0);
  EXPECT_EQ(l.window_opened, 1);
  EXPECT_EQ(l.refresh_delay, 1);
}

TEST_F(LegacySettingsRecord, HostileRecordsAreBoundedAndClamped) {
  auto record = SampleRecord();
  // Unterminated text fields, absurd numbers.
  record.Text(44, std::string(256, 'm')).Text(316, std::string(256, 'd'));
  record.U32(16, 0xFFFFFFFFu).U32(304, 0).U16(616, 0);
  settings::SettingsSnapshot snapshot;
  ASSERT_TRUE(settings::DecodeLegacySettingsRecord(record.bytes(), snapshot));
  EXPECT_EQ(snapshot.audio.mode_name, std::string(255, 'm'));
  EXPECT_EQ(snapshot.main.file_drawer, std::string(255, 'd'));
  settings::ApplyAllGroups(snapshot);
  EXPECT_EQ(settings::Audio().volume, 0);  // -1 as a signed volume
  EXPECT_EQ(settings::Audio().mixing_freq, 4000u);
  EXPECT_EQ(settings::Karaoke().Fetch().lines, 1);

  // Short, wrong magic or wrong version: not a record, and nothing changes.
  settings::SettingsSnapshot untouched;
  std::vector<uint8_t> bytes = SampleRecord().bytes();
  EXPECT_FALSE(settings::DecodeLegacySettingsRecord(
      std::span(bytes).first(settings::kLegacyRecordSize - 1), untouched));
  bytes[7] = 2;
  EXPECT_FALSE(settings::DecodeLegacySettingsRecord(bytes, untouched));
  bytes[7] = 1;
  bytes[0] = 't';
  EXPECT_FALSE(settings::DecodeLegacySettingsRecord(bytes, untouched));
  EXPECT_EQ(untouched.audio.volume, 64);
}

TEST_F(LegacySettingsRecord, ShortRecordIsReadAsText) {
  TempDir dir;
  const std::string path = dir.File("t.cfg");
  testsupport::WriteTextFile(path, "TWCF\n[AUDIO]\nVOLUME=33\n");
  ASSERT_TRUE(settings::Settings_Load(path));
  EXPECT_EQ(settings::Audio().volume, 33);
}
