#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "audio/AudioMan.h"
#include "audio/Engine.h"
#include "audio/EngineTestSupport.h"
#include "audio/VoiceTestHelpers.h"
#include "decoders/Decoders.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

namespace {

using enginetest::EngineSession;
using enginetest::SynthSpec;
using testsupport::TempDir;

std::string FileOutput(const TempDir& dir, const std::string& name = "out.wav") {
  return "file:" + dir.File(name);
}

// Plays a sox-made WAVE through the file sink and compares every frame with the
// file's own data, as sox reads both.
void ExpectFileSinkIdentity(const std::string& sox_format, int32_t buffer_ms = 500) {
  TempDir dir;
  const std::string song = dir.File("song.wav");
  ASSERT_EQ(testsupport::Run("sox -n " + sox_format + " " + song +
                             " synth 2.3 sine 440 whitenoise gain -6 2>&1")
                .exit_code,
            0);
  auto track = enginetest::IdentifyWave(song);
  ASSERT_TRUE(track);
  {
    EngineSession session(FileOutput(dir), buffer_ms);
    EXPECT_EQ(session.PlayToEnd(*track), audio::kEngineFinished);
  }
  const auto want = enginetest::SoxStereo(song);
  const auto got = enginetest::SoxStereo(dir.File("out.wav"));
  EXPECT_EQ(got.rate, want.rate);
  ASSERT_EQ(got.samples.size(), want.samples.size()) << sox_format;
  EXPECT_TRUE(got.samples == want.samples) << sox_format;
}

TEST(EngineTest, FileSinkIsBitIdenticalWithoutMixing) {
  TW_REQUIRE_TOOLS("sox");
  ExpectFileSinkIdentity("-r 44100 -b 16 -c 2");
  ExpectFileSinkIdentity("-r 22050 -b 16 -c 2");
  ExpectFileSinkIdentity("-r 44100 -b 16 -c 1");  // mono plays on both channels
}

TEST(EngineTest, ShortBuffersAndLowSpeedsLoseNoBlock) {
  TW_REQUIRE_TOOLS("sox");
  // A 50 ms ring is smaller than one decoded block; every frame must still play.
  ExpectFileSinkIdentity("-r 22050 -b 16 -c 2", 50);
  EXPECT_EQ(audio::Engine_RingFrames(0.05, 22050), 4096);
  EXPECT_EQ(audio::Engine_RingFrames(0.5, 44100), 22050);
}

TEST(EngineTest, ChainedOggLinksOfAnotherFormatPlayOnAtTheirOwnRate) {
  TW_REQUIRE_TOOLS("sox", "oggenc");
  TempDir dir;
  // One second of mono at 22050 Hz, then one second of stereo at 44100 Hz.
  std::vector<uint8_t> chain;
  for (const char* link : {"-r 22050 -c 1", "-r 44100 -c 2"}) {
    const std::string wav = dir.File("link.wav");
    const std::string ogg = dir.File(std::string("link") + link[3] + ".ogg");
    ASSERT_EQ(testsupport::Run("sox -n -b 16 " + std::string(link) + " " + wav +
                               " synth 1 sine 440 gain -6 && oggenc -Q -o " + ogg + " " + wav)
                  .exit_code,
              0);
    const auto bytes = testsupport::ReadBinaryFile(ogg);
    chain.insert(chain.end(), bytes.begin(), bytes.end());
  }
  const std::string song = dir.File("chain.ogg");
  testsupport::WriteBinaryFile(song, chain);
  auto track = enginetest::IdentifyWith(decoders::kOggDecoder, song);
  ASSERT_TRUE(track);
  {
    EngineSession session(FileOutput(dir));
    EXPECT_EQ(session.PlayToEnd(*track), audio::kEngineFinished);
  }
  // Ending at the change would leave one second; the second link played at the
  // first one's rate would last two.
  const auto got = enginetest::SoxStereo(dir.File("out.wav"));
  ASSERT_GT(got.rate, 0u);
  const double seconds = double(got.samples.size() / 2) / got.rate;
  EXPECT_NEAR(seconds, 2.0, 0.1);
  int64_t loud = 0;
  for (size_t i = got.samples.size() * 3 / 4; i < got.samples.size(); ++i)
    loud += std::abs(got.samples[i]) > 4000;
  EXPECT_GT(loud, int64_t(got.samples.size() / 20));
}

// Plays the synthetic song through the file sink with settings applied first.
enginetest::Rendered RenderSynth(const SynthSpec& spec, void (*configure)()) {
  TempDir dir;
  {
    EngineSession session(FileOutput(dir));
    configure();
    const auto track = enginetest::MakeSynthTrack(spec);
    EXPECT_EQ(session.PlayToEnd(track), audio::kEngineFinished);
  }
  return enginetest::SoxStereo(dir.File("out.wav"));
}

int16_t Clip(int32_t v) { return int16_t(std::clamp(v, -32768, 32767)); }

TEST(EngineTest, VolumeBalanceAndExpandShapeTheOutput) {
  TW_REQUIRE_TOOLS("sox");
  SynthSpec spec;
  spec.frames = 30000;
  const auto plain = enginetest::SynthExpected(spec);

  const auto loud = RenderSynth(spec, [] { audio::Engine_SetVolume(128); });
  ASSERT_EQ(loud.samples.size(), plain.size());
  size_t off = 0;
  for (size_t i = 0; i < plain.size(); ++i)
    off += std::abs(loud.samples[i] - Clip(plain[i] * 2)) > 1;
  EXPECT_EQ(off, 0u) << "VOL=128 doubles with clipping";

  const auto balanced = RenderSynth(spec, [] { audio::Engine_SetBalance(32); });
  ASSERT_EQ(balanced.samples.size(), plain.size());
  off = 0;
  for (size_t i = 0; i < plain.size(); i += 2) {
    off += std::abs(balanced.samples[i] - plain[i] / 2) > 1;
    off += balanced.samples[i + 1] != plain[i + 1];
  }
  EXPECT_EQ(off, 0u) << "BAL=32 halves the left channel";

  const auto expanded = RenderSynth(spec, [] { audio::Engine_SetExpand(1); });
  ASSERT_EQ(expanded.samples.size(), plain.size());
  off = 0;
  for (size_t i = 0; i < plain.size(); i += 2) {
    off += expanded.samples[i] != plain[i];
    off += expanded.samples[i + 1] != int16_t(~plain[i + 1]);
  }
  EXPECT_EQ(off, 0u) << "EXP=1 complements channel 1";
}

TEST(EngineTest, SpeedAndMixingFrequency) {
  TW_REQUIRE_TOOLS("sox");
  // Speed 200 on a 22050 Hz song plays it out at 44100: same frames, half the time.
  TempDir dir;
  SynthSpec spec;
  spec.frequency = 22050;
  spec.frames = 22050;
  {
    EngineSession session(FileOutput(dir));
    const auto track = enginetest::MakeSynthTrack(spec);
    ASSERT_EQ(audio::Engine_Play(&track), 1);
    audio::Engine_SetSpeed(200);
    EXPECT_DOUBLE_EQ(audio::Engine_GetSpeed(), 200.0);
    audio::Engine_Stop();
    audio::Engine_SetSpeed(300);  // without a song: ignored
    ::setenv("TUNEWRIGHT_OUTPUT", FileOutput(dir, "fast.wav").c_str(), 1);
    ASSERT_EQ(audio::Engine_Play(&track), 1);  // the speed persists across songs
    session.WaitForState(audio::kEngineFinished, std::chrono::seconds(20));
  }
  const auto fast = enginetest::SoxStereo(dir.File("fast.wav"));
  EXPECT_EQ(fast.rate, 44100u);
  EXPECT_EQ(fast.samples, enginetest::SynthExpected(spec));

  // A 1000 Hz sine of a 22050 Hz song mixed at 32000 Hz keeps its pitch.
  TempDir dir2;
  const std::string song = dir2.File("sine.wav");
  ASSERT_EQ(testsupport::Run("sox -n -r 22050 -b 16 -c 1 " + song + " synth 1 sine 1000").exit_code,
            0);
  auto track = enginetest::IdentifyWave(song);
  ASSERT_TRUE(track);
  {
    EngineSession session(FileOutput(dir2));
    settings::Audio().mixing_mode = 1;
    settings::Audio().mixing_freq = 32000;
    EXPECT_EQ(session.PlayToEnd(*track), audio::kEngineFinished);
  }
  const auto mixed = voicetest::SoxRead(dir2.File("out.wav"));
  EXPECT_EQ(mixed.rate, 32000u);
  EXPECT_NEAR(voicetest::ZeroCrossingFrequency(mixed.Side(0), mixed.rate), 1000.0, 5.0);
  EXPECT_NEAR(double(mixed.frames()) / mixed.rate, 1.0, 0.05);
}

}  // namespace
