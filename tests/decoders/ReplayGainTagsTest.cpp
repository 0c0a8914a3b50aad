#include <gtest/gtest.h>

#include <cmath>

#include "decoders/ReplayGain.h"

using decoders::ApplyReplayGainItem;
using decoders::ReplayGainFactor;
using decoders::ReplayGainMode;
using decoders::ReplayGainTags;

namespace {

double TrackDb(const ReplayGainTags& tags) {
  return 20 * std::log10(ReplayGainFactor(tags, ReplayGainMode::kTrack, 0));
}

}  // namespace

TEST(ReplayGainTags, TextsAreReadAsTaggersWriteThemAndNonsenseIsIgnored) {
  ReplayGainTags tags;
  EXPECT_TRUE(ApplyReplayGainItem("replaygain_track_gain", " -4.37 dB", &tags));
  EXPECT_NEAR(TrackDb(tags), -4.37, 1e-4);
  EXPECT_FALSE(ApplyReplayGainItem("REPLAYGAIN_REFERENCE_LOUDNESS", "89.0 dB", &tags));
  // Words that parse as numbers elsewhere, and absurd sizes, leave the gain as it was.
  for (const char* text : {"nan", "inf", "-inf", "", "dB", "1000", "+100 dB", "--3"})
    ApplyReplayGainItem("REPLAYGAIN_TRACK_GAIN", text, &tags);
  EXPECT_NEAR(TrackDb(tags), -4.37, 1e-4);
  for (const char* text : {"0", "-1", "nan", "5000"})
    ApplyReplayGainItem("REPLAYGAIN_TRACK_PEAK", text, &tags);
  EXPECT_TRUE(std::isnan(tags.track_peak));

  // Opus: Q7.8 at -23 LUFS, 5 dB below the reference; REPLAYGAIN_* does not replace it.
  ReplayGainTags opus;
  ApplyReplayGainItem("R128_TRACK_GAIN", "-2304", &opus);
  ApplyReplayGainItem("REPLAYGAIN_TRACK_GAIN", "+6 dB", &opus);
  EXPECT_NEAR(TrackDb(opus), -4.0, 1e-4);
  for (const char* text : {"40000", "-3.5", "x"})
    ApplyReplayGainItem("R128_ALBUM_GAIN", text, &opus);
  EXPECT_TRUE(std::isnan(opus.album_gain));
}

TEST(ReplayGainTags, FactorFollowsModePreampAndPeak) {
  ReplayGainTags none;
  EXPECT_EQ(ReplayGainFactor(none, ReplayGainMode::kAlbum, 15), 1.0);  // untagged plays unchanged
  ReplayGainTags tags;
  ApplyReplayGainItem("REPLAYGAIN_TRACK_GAIN", "-6 dB", &tags);
  ApplyReplayGainItem("REPLAYGAIN_TRACK_PEAK", "0.5", &tags);
  EXPECT_EQ(ReplayGainFactor(tags, ReplayGainMode::kOff, 10), 1.0);
  // Album falls back to the track, the preamp adds, the peak stops clipping.
  EXPECT_NEAR(20 * std::log10(ReplayGainFactor(tags, ReplayGainMode::kAlbum, 3)), -3.0, 1e-4);
  EXPECT_DOUBLE_EQ(ReplayGainFactor(tags, ReplayGainMode::kTrack, 15), 2.0);
  EXPECT_DOUBLE_EQ(ReplayGainFactor(tags, ReplayGainMode::kTrack, 99), 2.0);
  ApplyReplayGainItem("REPLAYGAIN_ALBUM_GAIN", "+1 dB", &tags);
  EXPECT_NEAR(20 * std::log10(ReplayGainFactor(tags, ReplayGainMode::kAlbum, 0)), 1.0, 1e-4);

  EXPECT_EQ(decoders::ParseReplayGainMode("Album"), ReplayGainMode::kAlbum);
  EXPECT_EQ(decoders::ParseReplayGainMode("off"), ReplayGainMode::kOff);
  EXPECT_FALSE(decoders::ParseReplayGainMode("1"));
  EXPECT_FALSE(decoders::ParseReplayGainMode("TRACKS"));
}
