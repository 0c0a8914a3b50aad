#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/Convert.h"
#include "settings/SettingsGroups.h"

namespace {

TEST(ConvertTest, EightBitUnsignedBecomesSigned) {
  const uint8_t mono[] = {0x00, 0x80, 0xFF};
  int8_t out[3] = {};
  ASSERT_TRUE(audio::ConvertLittleEndianPcm(mono, out, nullptr, 3, 8, 1));
  EXPECT_EQ(out[0], -128);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 127);

  const uint8_t stereo[] = {0x00, 0xFF, 0x80, 0x7F};
  int8_t left[2] = {}, right[2] = {};
  ASSERT_TRUE(audio::ConvertLittleEndianPcm(stereo, left, right, 2, 8, 2));
  EXPECT_EQ(left[0], -128);
  EXPECT_EQ(right[0], 127);
  EXPECT_EQ(left[1], 0);
  EXPECT_EQ(right[1], -1);
}

TEST(ConvertTest, SixteenBitLittleEndianIntoChannels) {
  const uint8_t mono[] = {0xFF, 0x00, 0x00, 0x80, 0xFE, 0xFF, 0x34, 0x12};
  int16_t out[4] = {};
  ASSERT_TRUE(audio::ConvertLittleEndianPcm(mono, out, nullptr, 4, 16, 1));
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[1], -32768);
  EXPECT_EQ(out[2], -2);
  EXPECT_EQ(out[3], 0x1234);

  const uint8_t stereo[] = {0x34, 0x12, 0xFE, 0xFF};
  int16_t left = 0, right = 0;
  ASSERT_TRUE(audio::ConvertLittleEndianPcm(stereo, &left, &right, 1, 16, 2));
  EXPECT_EQ(left, 0x1234);
  EXPECT_EQ(right, -2);
}

TEST(ConvertTest, MonoConvertsInPlaceAndReadsNoFurther) {
  // A guard byte after the frames must be neither read into the result nor changed.
  std::vector<uint8_t> bytes = {0x34, 0x12, 0xFE, 0xFF, 0xAA};
  ASSERT_TRUE(audio::ConvertLittleEndianPcm(bytes.data(), bytes.data(), nullptr, 2, 16, 1));
  int16_t first, second;
  std::memcpy(&first, bytes.data(), 2);
  std::memcpy(&second, bytes.data() + 2, 2);
  EXPECT_EQ(first, 0x1234);
  EXPECT_EQ(second, -2);
  EXPECT_EQ(bytes[4], 0xAA);

  std::vector<uint8_t> eight = {0x00, 0x81, 0xFF};
  ASSERT_TRUE(audio::ConvertLittleEndianPcm(eight.data(), eight.data(), nullptr, 3, 8, 1));
  EXPECT_EQ(static_cast<int8_t>(eight[0]), -128);
  EXPECT_EQ(static_cast<int8_t>(eight[1]), 1);
  EXPECT_EQ(static_cast<int8_t>(eight[2]), 127);
}

TEST(ConvertTest, RefusesWidthsAndChannelCountsItCannotPlay) {
  const uint8_t bytes[12] = {};
  int16_t out[4] = {7, 7, 7, 7};
  EXPECT_FALSE(audio::ConvertLittleEndianPcm(bytes, out, out, 2, 24, 2));
  EXPECT_FALSE(audio::ConvertLittleEndianPcm(bytes, out, out, 2, 16, 3));
  EXPECT_EQ(out[0], 7);
}

class MixingTest : public ::testing::Test {
 protected:
  void SetUp() override { settings::SetAudioDefaults(); }
  void TearDown() override { settings::SetAudioDefaults(); }
};

TEST_F(MixingTest, DecisionFollowsModeAndLimit) {
  auto& audio = settings::Audio();
  audio.mixing_mode = 2;
  audio.limit_freq = 11025;
  EXPECT_EQ(audio::ConversionWanted(11025), 1);
  EXPECT_EQ(audio::ConversionWanted(22050), 0);
  audio.mixing_mode = 0;
  EXPECT_EQ(audio::ConversionWanted(8000), 0);
  audio.mixing_mode = 1;
  EXPECT_EQ(audio::ConversionWanted(96000), 1);
  audio.mixing_mode = 7;  // anything else is automatic
  EXPECT_EQ(audio::ConversionWanted(11025), 1);
}

TEST_F(MixingTest, NothingPlaysOutAbove48000) {
  // A 96000 Hz song without mixing is forced to mix at 48000.
  auto forced = audio::ApplyMixLimit({false, 28000}, false, 28000, 96000);
  EXPECT_TRUE(forced.mixing);
  EXPECT_EQ(forced.mix_frequency, 48000u);
  // Mixing asked above 48000 (a speed-up plays out faster) is brought down to it.
  forced = audio::ApplyMixLimit({true, 88200}, true, 88200, 22050);
  EXPECT_EQ(forced.mix_frequency, 48000u);
  // A 48000 Hz song plays at its own rate: no second resampling.
  const auto kept = audio::ApplyMixLimit({false, 28000}, false, 28000, 48000);
  EXPECT_FALSE(kept.mixing);
  EXPECT_EQ(kept.mix_frequency, 28000u);
  EXPECT_EQ(audio::ApplyMixLimit({true, 48000}, true, 48000, 22050).mix_frequency, 48000u);
}

}  // namespace
