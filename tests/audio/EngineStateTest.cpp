// The engine's states, commands and recovery, played in real time through the null
// output (and ALSA's own null device) or rendered through the file sink.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <thread>

#include "audio/AudioMan.h"
#include "audio/Engine.h"
#include "audio/EngineTestSupport.h"
#include "support/TestSupport.h"

namespace {

using enginetest::EngineSession;
using enginetest::SynthSpec;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

SynthSpec Song(double seconds, int32_t frequency = 44100) {
  SynthSpec spec;
  spec.frequency = frequency;
  spec.frames = int32_t(seconds * frequency);
  return spec;
}

int32_t OutputState() {
  int32_t state = 0;
  audio::Aum_Control(audio::kAumCtlState, 0, &state);
  return state;
}

TEST(EngineStateTest, PlayPauseResumeAndPlayWhilePlaying) {
  EngineSession session("null");
  const auto track = enginetest::MakeSynthTrack(Song(5.0));
  ASSERT_EQ(audio::Engine_Play(&track), 1);
  EXPECT_EQ(audio::Engine_GetState(), audio::kEnginePlaying);
  // A second PLAY is refused with 2 and the song plays on.
  EXPECT_EQ(audio::Engine_Play(&track), 0);
  EXPECT_EQ(audio::Engine_LastResult(), 2);
  EXPECT_EQ(audio::Engine_GetState(), audio::kEnginePlaying);

  audio::Engine_Pause(true);
  EXPECT_EQ(audio::Engine_GetState(), audio::kEnginePaused);
  const double paused_at = audio::Engine_GetTime();
  std::this_thread::sleep_for(milliseconds(200));
  EXPECT_DOUBLE_EQ(audio::Engine_GetTime(), paused_at);
  audio::Engine_Pause(false);
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_GT(audio::Engine_GetTime(), paused_at);
  audio::Engine_Stop();
  EXPECT_EQ(audio::Engine_GetState(), audio::kEngineStopped);
}

TEST(EngineStateTest, TimeFollowsSpeedAndSeeks) {
  EngineSession session("null");
  auto spec = Song(60.0);
  const auto track = enginetest::MakeSynthTrack(spec);
  const auto start = Clock::now();
  ASSERT_EQ(audio::Engine_Play(&track), 1);
  audio::Engine_SetSpeed(50);
  std::this_thread::sleep_for(milliseconds(300));
  audio::Engine_Pause(true);
  const double wall = SecondsSince(start);
  // Paused, the ring keeps its frames; TIME counts only what was heard, at half speed.
  int32_t queued = 0;
  audio::Aum_Control(audio::kAumCtlQueued, 0, &queued);
  EXPECT_GT(queued, 0);
  EXPECT_NEAR(audio::Engine_GetTime(), wall / 2, 0.08);

  // A seek while paused empties the ring: TIME is the target itself.
  EXPECT_EQ(audio::Engine_SeekTo(30.0), 0);
  EXPECT_DOUBLE_EQ(audio::Engine_GetTime(), 30.0);
  // Targets outside the song are brought into it.
  audio::Engine_SeekTo(-5.0);
  EXPECT_DOUBLE_EQ(audio::Engine_GetTime(), 0.0);
  audio::Engine_SeekTo(std::numeric_limits<double>::quiet_NaN());
  EXPECT_DOUBLE_EQ(audio::Engine_GetTime(), 0.0);
  audio::Engine_SeekTo(1e300);
  EXPECT_DOUBLE_EQ(audio::Engine_GetTime(), 60.0);
  audio::Engine_SeekTo(10.0);
  audio::Engine_Pause(false);
  std::this_thread::sleep_for(milliseconds(400));
  EXPECT_GT(audio::Engine_GetTime(), 10.0);
  EXPECT_LT(audio::Engine_GetTime(), 10.5);
  // A step from the current time, clamped into the song.
  audio::Engine_SeekBy(0, -100.0);
  EXPECT_LT(audio::Engine_GetTime(), 0.3);
}

TEST(EngineStateTest, FinishesOnlyAfterTheOutputDrained) {
  EngineSession session("null");
  const auto track = enginetest::MakeSynthTrack(Song(1.0));
  const auto start = Clock::now();
  EXPECT_EQ(session.PlayToEnd(track), audio::kEngineFinished);
  const double took = SecondsSince(start);
  EXPECT_GE(took, 0.95);  // the whole second was played out in real time
  EXPECT_LT(took, 2.0);

  // With hold set, running out of data does not finish the song.
  const auto held = enginetest::MakeSynthTrack(Song(0.3));
  ASSERT_EQ(audio::Engine_Play(&held), 1);
  audio::Engine_SeekBy(1, 0.0);
  std::this_thread::sleep_for(milliseconds(900));
  EXPECT_EQ(audio::Engine_GetState(), audio::kEnginePlaying);
  audio::Engine_SeekBy(0, 0.0);
  EXPECT_TRUE(session.WaitForState(audio::kEngineFinished, milliseconds(2000)));
}

TEST(EngineStateTest, AlsaNullDevicePlaysInRealTime) {
  EngineSession session("alsa:null");
  ASSERT_TRUE(session.started());
  const auto track = enginetest::MakeSynthTrack(Song(1.5, 22050));
  const auto start = Clock::now();
  EXPECT_EQ(session.PlayToEnd(track), audio::kEngineFinished);
  EXPECT_NEAR(SecondsSince(start), 1.5, 0.4);
}

TEST(EngineStateTest, UnopenableOutputIsToldOnceNamingTheVariable) {
  EngineSession session("alsa:no-such-device-here");
  const auto track = enginetest::MakeSynthTrack(Song(1.0));
  testing::internal::CaptureStderr();
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(audio::Engine_Play(&track), 0);
    EXPECT_EQ(audio::Engine_LastResult(), 3);
  }
  const std::string told = testing::internal::GetCapturedStderr();
  const auto first = told.find("TUNEWRIGHT_OUTPUT");
  EXPECT_NE(first, std::string::npos) << told;
  EXPECT_EQ(told.find("TUNEWRIGHT_OUTPUT", first + 1), std::string::npos) << told;
}

TEST(EngineStateTest, EmptySongAndUnopenableSong) {
  EngineSession session("null");
  {
    // The caller frees its record at once; the engine must not keep it.
    auto empty = std::make_unique<decoders::TrackInfo>(enginetest::MakeSynthTrack(Song(0.0)));
    EXPECT_EQ(audio::Engine_Play(empty.get()), 0);
    EXPECT_EQ(audio::Engine_LastResult(), 3);
  }
  EXPECT_TRUE(session.WaitForState(audio::kEngineFinished, milliseconds(2000)));

  auto broken = enginetest::MakeSynthTrack(Song(1.0));
  broken.open = [](decoders::TrackInfo*) { return 0; };
  EXPECT_EQ(audio::Engine_Play(&broken), 0);
  EXPECT_EQ(audio::Engine_LastResult(), 2);
  auto odd = enginetest::MakeSynthTrack(Song(1.0));
  odd.bits = 24;
  EXPECT_EQ(audio::Engine_Play(&odd), 0);
  EXPECT_EQ(audio::Engine_LastResult(), 3);
  EXPECT_EQ(audio::Engine_Play(nullptr), 0);
  EXPECT_EQ(audio::Engine_LastResult(), 1);
}

TEST(EngineStateTest, UnseekableSongStepsForwardByDecoding) {
  EngineSession session("null");
  auto spec = Song(20.0);
  spec.seekable = false;
  const auto track = enginetest::MakeSynthTrack(spec);
  ASSERT_EQ(audio::Engine_Play(&track), 1);
  const auto start = Clock::now();
  audio::Engine_SeekBy(0, 3.0);
  EXPECT_LT(SecondsSince(start), 2.0);  // faster than playing it
  EXPECT_GE(audio::Engine_GetTime(), 2.5);
  EXPECT_EQ(audio::Engine_GetVolume(), 64);  // restored
}

TEST(EngineStateTest, BreakEndsTheTaskAndLaterCommandsFail) {
  EngineSession session("null");
  const auto track = enginetest::MakeSynthTrack(Song(5.0));
  ASSERT_EQ(audio::Engine_Play(&track), 1);
  audio::Engine_Break();
  const auto start = Clock::now();
  while (audio::Engine_SeekTo(1.0) != -1 && SecondsSince(start) < 2.0)
    std::this_thread::sleep_for(milliseconds(10));
  EXPECT_EQ(audio::Engine_SeekTo(1.0), -1);
  EXPECT_EQ(audio::Engine_Play(&track), 0);
  EXPECT_EQ(audio::Engine_LastResult(), -1);
  EXPECT_EQ(audio::Aum_Control(audio::kAumCtlState, 0, nullptr), audio::kAumNotInitialised);
}

TEST(EngineStateTest, RecoversFromAStallingDecoder) {
  TW_REQUIRE_TOOLS("sox");
  // Real time: the 100 ms ring runs dry during a 400 ms stall, then playback resumes.
  {
    EngineSession session("null", 100);
    auto spec = Song(1.0);
    spec.stall_at_frame = 22050;
    spec.stall_ms = 400;
    const auto track = enginetest::MakeSynthTrack(spec);
    const auto start = Clock::now();
    ASSERT_EQ(audio::Engine_Play(&track), 1);
    bool went_dry = false;
    while (audio::Engine_GetState() == audio::kEnginePlaying && SecondsSince(start) < 5.0) {
      went_dry |= OutputState() == audio::kAumWaiting;
      std::this_thread::sleep_for(milliseconds(5));
    }
    EXPECT_TRUE(went_dry);
    EXPECT_EQ(audio::Engine_GetState(), audio::kEngineFinished);
    EXPECT_GE(SecondsSince(start), 1.1);  // the stall outlasted the ring
  }
  // Under the file sink nothing is lost or invented around the dry run.
  testsupport::TempDir dir;
  auto spec = Song(1.0);
  spec.stall_at_frame = 22050;
  spec.stall_ms = 300;
  {
    EngineSession session("file:" + dir.File("out.wav"), 100);
    EXPECT_EQ(session.PlayToEnd(enginetest::MakeSynthTrack(spec)), audio::kEngineFinished);
  }
  EXPECT_EQ(enginetest::SoxStereo(dir.File("out.wav")).samples, enginetest::SynthExpected(spec));
}

}  // namespace
