#include <gtest/gtest.h>

#include "shell/StartupOptions.h"

using settings::AudioSettings;
using shell::ParseStartupOptions;

namespace {

AudioSettings After(std::vector<std::string> words, AudioSettings start = {}) {
  words.insert(words.begin(), "song.wav");
  EXPECT_TRUE(ParseStartupOptions(words, start));
  return start;
}

}  // namespace

TEST(StartupOptions, MixingIsClampedAsUnsigned) {
  AudioSettings a = After({"MIX=0"});
  EXPECT_EQ(a.mixing_mode, 0u);
  EXPECT_EQ(a.mixing_freq, 4000u);
  a = After({"MIX=100000"});
  EXPECT_EQ(a.mixing_mode, 1u);
  EXPECT_EQ(a.mixing_freq, 48000u);
  a = After({"MIX=-1"});
  EXPECT_EQ(a.mixing_mode, 1u);
  EXPECT_EQ(a.mixing_freq, 48000u);
  EXPECT_EQ(After({"MIX", "22050"}).mixing_freq, 22050u);
}

TEST(StartupOptions, BufferIsClamped) {
  EXPECT_EQ(After({"BUFF=10"}).buffer_time, 50u);
  EXPECT_EQ(After({"BUFF=20000"}).buffer_time, 10000u);
  EXPECT_EQ(After({"buff=-5"}).buffer_time, 50u);
}

TEST(StartupOptions, BassAloneKeepsTrebleFromSettings) {
  AudioSettings loaded;
  loaded.treble = 7;
  const AudioSettings a = After({"B=3"}, loaded);
  EXPECT_EQ(a.bass, 3);
  EXPECT_EQ(a.treble, 7);
  EXPECT_EQ(a.bass_treble, 1);
}

TEST(StartupOptions, AhiModeSetsDeviceEvenWhenNotHexadecimal) {
  AudioSettings loaded;
  loaded.mode_id = 0x1234;
  AudioSettings a = After({"AHI=3d0001"}, loaded);
  EXPECT_EQ(a.mode_id, 0x3D0001u);
  EXPECT_EQ(a.device, 1u);
  EXPECT_EQ(After({"AHI=0x3d0001"}, loaded).mode_id, 0x3D0001u);
  a = After({"AHI=zz"}, loaded);
  EXPECT_EQ(a.mode_id, 0x1234u);
  EXPECT_EQ(a.device, 1u);
  EXPECT_EQ(After({"AHI=FFFFFFFF"}).mode_id, 0xFFFFFFFFu);
}

TEST(StartupOptions, OtherOptionsAndModes) {
  const AudioSettings a = After({"EXP=65537", "VOL=128", "BAL=-32", "FILTER=1", "T=-4"});
  EXPECT_EQ(a.expand, 1);  // low 16 bits
  EXPECT_EQ(a.volume, 128);
  EXPECT_EQ(a.balance, -32);
  EXPECT_EQ(a.filter, 1);
  EXPECT_EQ(a.treble, -4);

  AudioSettings audio;
  auto none = ParseStartupOptions({}, audio);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->windowed);
  auto gui = ParseStartupOptions({"ICONIFIED"}, audio);
  ASSERT_TRUE(gui);
  EXPECT_TRUE(gui->windowed && gui->iconified);
  EXPECT_FALSE(ParseStartupOptions({"V=0"}, audio));  // no names, no GUI: usage
  EXPECT_FALSE(ParseStartupOptions({"NOPE=1"}, audio));
  // ReplayGain is the 14th item; its word is checked, the other 13 keep their slots.
  EXPECT_EQ(After({"RG=album", "VOL=70"}).replaygain, 2);
  EXPECT_EQ(After({"ReplayGain", "TRACK"}).replaygain, 1);
  EXPECT_EQ(After({"RG=Off"}).replaygain, 0);
  EXPECT_FALSE(ParseStartupOptions({"RG=loud", "a.wav"}, audio));
  EXPECT_FALSE(ParseStartupOptions({"RG=2", "a.wav"}, audio));
  EXPECT_FALSE(ParseStartupOptions({"a.wav", "RG"}, audio));
  auto quiet = ParseStartupOptions({"V=0", "a.wav"}, audio);
  ASSERT_TRUE(quiet);
  EXPECT_EQ(quiet->verbosity, 0);
  EXPECT_FALSE(quiet->windowed);
}
