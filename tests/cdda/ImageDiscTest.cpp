// Disc images judged by libcdio's cd-info and cd-read and by bchunk.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "CdImages.h"
#include "cdda/CDDrive.h"
#include "cdda/Cdda.h"
#include "cdda/ImageTransport.h"

using namespace cdda;
using namespace cdtest;

using testsupport::ShellQuote;

namespace {

struct InfoTrack {
  int number;
  uint32_t lsn;
  bool audio;
};

// "  2: 00:06:00  000300 audio ..." rows and the "170:" lead-out row.
std::vector<InfoTrack> CdInfoTracks(const std::string& cue) {
  const auto result = testsupport::Run(
      "cd-info --no-header --no-device-info --no-disc-mode --no-analyze "
      "--cue-file " +
      ShellQuote(cue) + " 2>/dev/null");
  std::vector<InfoTrack> tracks;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    int number = 0;
    unsigned lsn = 0;
    char type[16] = {};
    if (std::sscanf(line.c_str(), " %d: %*d:%*d:%*d %u %15s", &number, &lsn, type) == 3)
      tracks.push_back({number, lsn, std::string(type) == "audio"});
  }
  return tracks;
}

CDDrivePtr OpenImage(const std::string& cue, int32_t method = kMethodNone) {
  return CDDrive_OpenTransport(ImageTransport::FromCue(cue), method);
}

std::vector<std::vector<TrackSpec>> Layouts() {
  std::vector<TrackSpec> data_first = AudioTracks(4, 0.4);
  data_first.insert(data_first.begin(), TrackSpec{false, 0, 200});
  std::vector<TrackSpec> data_last = AudioTracks(5, 0.3);
  data_last.push_back(TrackSpec{false, 0, 120});
  return {AudioTracks(1, 1.0), AudioTracks(2, 0.7), data_first, data_last, AudioTracks(20, 0.2)};
}

}  // namespace

TEST(ImageDisc, TocAndKeyAgreeWithCdInfo) {
  TW_REQUIRE_TOOLS("cd-info", "sox");
  testsupport::TempDir dir;
  int index = 0;
  for (const auto& layout : Layouts()) {
    SCOPED_TRACE("layout " + std::to_string(index));
    const DiscImage disc = MakeDisc(dir, "disc" + std::to_string(index++), layout);
    const auto info = CdInfoTracks(disc.cue);
    ASSERT_EQ(info.size(), layout.size() + 1);
    auto drive = OpenImage(disc.cue);
    ASSERT_TRUE(drive);
    ASSERT_EQ(CDDrive_ReadTOC(*drive), 0);
    EXPECT_EQ(drive->first_track, 1u);
    EXPECT_EQ(drive->last_track, layout.size());
    for (size_t i = 0; i < layout.size(); ++i) {
      const CDTrackEntry& entry = drive->tracks[i + 1];
      EXPECT_EQ(entry.start, info[i].lsn) << "track " << i + 1;
      EXPECT_EQ(entry.end + 1, info[i + 1].lsn) << "track " << i + 1;
      EXPECT_EQ(bool(entry.audio), info[i].audio);
      EXPECT_TRUE(entry.usable);
    }
    EXPECT_EQ(info.back().number, 170);
    EXPECT_EQ(drive->disc_key, ExpectedKey(disc));
  }
}

TEST(ImageDisc, DecodedTracksEqualBchunkAndMotorolaPlaysTheSame) {
  TW_REQUIRE_TOOLS("bchunk");
  testsupport::TempDir dir;
  std::vector<TrackSpec> layout = AudioTracks(3, 0.8);
  layout.insert(layout.begin(), TrackSpec{false, 0, 60});
  layout.push_back(TrackSpec{false, 0, 30});
  const DiscImage disc = MakeDisc(dir, "mixed", layout);
  const DiscImage motorola = MakeDisc(dir, "moto", layout, true);
  testsupport::Run("cd " + ShellQuote(dir.path()) +
                   " && bchunk -w mixed.bin mixed.cue out >/dev/null");

  UseDrive(disc.cue, dir.path());
  std::string key;
  const auto tracks = CDDA_ListTracks(&key);
  ASSERT_EQ(tracks.size(), 3u);
  EXPECT_EQ(key, ExpectedKey(disc));
  std::vector<std::vector<uint8_t>> decoded;
  for (int n = 2; n <= 4; ++n) {
    char wav[32];
    std::snprintf(wav, sizeof wav, "out%02d.wav", n);
    const auto expected = WaveData(dir.File(wav));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(tracks[size_t(n - 2)]->path, key + "-0" + std::to_string(n));
    decoded.push_back(DecodeWhole(tracks[size_t(n - 2)]->path));
    EXPECT_EQ(decoded.back(), expected) << "track " << n;
    EXPECT_EQ(decoded.back(), disc.track_bytes[size_t(n - 1)]);
  }
  UseDrive(motorola.cue, dir.path());
  for (int n = 2; n <= 4; ++n)
    EXPECT_EQ(DecodeWhole(CDDA_ListTracks(&key)[size_t(n - 2)]->path), decoded[size_t(n - 2)]);
}

TEST(ImageDisc, EveryReadMethodReturnsTheSectorsCdReadReturns) {
  TW_REQUIRE_TOOLS("cd-read");
  testsupport::TempDir dir;
  std::vector<TrackSpec> layout = AudioTracks(2, 0.6);
  layout.insert(layout.begin(), TrackSpec{false, 0, 40});
  const DiscImage disc = MakeDisc(dir, "read", layout);
  const uint32_t lba = disc.starts[1] + 3, count = 40;  // crosses into track 3
  const std::string out = dir.File("cdread.raw");
  testsupport::Run("cd-read --no-header --cue-file " + ShellQuote(disc.cue) +
                   " --mode audio --start " + std::to_string(lba) + " --number " +
                   std::to_string(count) + " --output-file " + ShellQuote(out) +
                   " >/dev/null 2>&1");
  const auto expected = testsupport::ReadBinaryFile(out);
  ASSERT_EQ(expected.size(), count * 2352u);
  for (int32_t method = kMethodSony; method <= kMethodMmc; ++method) {
    auto drive = OpenImage(disc.cue, method);
    ASSERT_TRUE(drive);
    std::vector<uint8_t> buffer(count * 2352);
    EXPECT_EQ(CDDrive_ReadSectors(*drive, lba, int32_t(count), buffer), int32_t(buffer.size()))
        << "method " << method;
    EXPECT_EQ(buffer, expected) << "method " << method;
    // Past the lead-out the drive answers with sense data, and the read fails.
    EXPECT_EQ(CDDrive_ReadSectors(*drive, disc.leadout - 1, 2, buffer), -2);
  }
  // READ CD of CD-DA sectors refuses the data track.
  auto mmc = OpenImage(disc.cue, kMethodMmc);
  std::vector<uint8_t> sector(2352);
  EXPECT_EQ(CDDrive_ReadSectors(*mmc, 0, 1, sector), -2);
}

TEST(ImageDisc, EnhancedCdEndsTheAudioSessionBeforeTheGapAndKeepsTheKey) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const DiscImage plain = MakeDisc(dir, "enh", {{true, 0.5, 0}, {true, 0.6, 0}, {false, 0, 50}});
  // The same BIN as a two-session disc: the data session starts 11400 sectors later.
  std::string cue = testsupport::ReadTextFile(plain.cue);
  cue.insert(cue.find("  TRACK 03"), "REM SESSION 02\n");
  testsupport::WriteTextFile(dir.File("enh2.cue"), cue);
  auto drive = OpenImage(dir.File("enh2.cue"));
  ASSERT_TRUE(drive);
  ASSERT_EQ(CDDrive_ReadTOC(*drive), 0);
  const uint32_t data_start = plain.starts[2] + 11400;
  EXPECT_EQ(drive->tracks[3].start, data_start);
  EXPECT_EQ(drive->tracks[2].end, data_start - 11400 - 1);
  EXPECT_EQ(drive->tracks[2].end, plain.starts[2] - 1);
  char key[32];
  std::snprintf(key, sizeof key, "ID03%06X%06X", data_start, data_start + 50);
  EXPECT_STREQ(drive->disc_key, key);
}

TEST(ImageDisc, PregapIsSilenceOnTheDiscNotInTheFile) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const DiscImage plain = MakeDisc(dir, "gap", AudioTracks(2, 0.5));
  std::string cue = testsupport::ReadTextFile(plain.cue);
  cue.insert(cue.find("    INDEX 01", cue.find("TRACK 02")), "    PREGAP 00:02:00\n");
  testsupport::WriteTextFile(dir.File("gap2.cue"), cue);
  UseDrive(dir.File("gap2.cue"), dir.path());
  std::string key;
  const auto tracks = CDDA_ListTracks(&key);
  ASSERT_EQ(tracks.size(), 2u);
  EXPECT_EQ(tracks[1]->data_start[0], plain.starts[1] + 150);
  EXPECT_EQ(DecodeWhole(tracks[1]->path), plain.track_bytes[1]);
  // The silent pregap belongs to the track before it, as on a pressed disc.
  std::vector<uint8_t> first = plain.track_bytes[0];
  first.resize(first.size() + 150 * 2352, 0);
  EXPECT_EQ(DecodeWhole(tracks[0]->path), first);
}

TEST(ImageDisc, MalformedCueSheetsAreRefused) {
  testsupport::TempDir dir;
  testsupport::WriteBinaryFile(dir.File("x.bin"), std::vector<uint8_t>(2352 * 10, 1));
  const std::string file = "FILE \"x.bin\" BINARY\n";
  const std::string bad[] = {
      "",                                                                // no tracks
      file,                                                              // no tracks
      "FILE \"x.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n",  // not raw
      "FILE \"none.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n",
      file + "  TRACK 01 AUDIO\n",                         // no INDEX 01
      file + "  TRACK 01 AUDIO\n    INDEX 01 00:00:10\n",  // past the file
      file + "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 01 AUDIO\n    INDEX 01 00:00:02\n",
      file + "  TRACK 01 AUDIO\n    INDEX 01 00:00:05\n  TRACK 02 AUDIO\n    INDEX 01 00:00:02\n",
      file + "  TRACK 00 AUDIO\n    INDEX 01 00:00:00\n",
      file + "  TRACK 100 AUDIO\n    INDEX 01 00:00:00\n",
      file + "  TRACK 01 MODE3/2352\n    INDEX 01 00:00:00\n",
      file + "  TRACK 01 AUDIO\n    INDEX 01 00:61:00\n",
      "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n",  // no FILE
      "FILE \"x.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n",
  };
  for (const std::string& text : bad) {
    testsupport::WriteTextFile(dir.File("x.cue"), text);
    EXPECT_FALSE(ReadCueSheet(dir.File("x.cue"))) << text;
    EXPECT_FALSE(OpenImage(dir.File("x.cue"))) << text;
  }
  testsupport::WriteTextFile(dir.File("x.cue"), file + "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  const auto layout = ReadCueSheet(dir.File("x.cue"));
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->leadout, 10u);
}
