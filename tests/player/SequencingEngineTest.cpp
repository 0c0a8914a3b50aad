// Sequencing with the real engine rendering through the file sink: songs follow
// each other, the list loops, intro mode advances and the pause between songs
// is kept, all in rendered sound.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "RealEngineCore.h"
#include "decoders/Decoders.h"
#include "platform/Signals.h"
#include "player/PlayerCore.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

using namespace player;
using Clock = std::chrono::steady_clock;
using testsupport::ShellQuote;

namespace {


struct Started {
  std::string path;
  Clock::time_point when;
};

class RealSequencing : public RealEngineCoreTest {
 protected:
  void SetUp() override {
    TW_REQUIRE_TOOLS("sox");
    settings::Main().Reset();
    for (int i = 0; i < 3; ++i) {
      songs_.push_back(dir_.File("s" + std::to_string(i) + ".wav"));
      ASSERT_EQ(testsupport::Run("sox -n -b 16 -r 8000 -c 1 " + ShellQuote(songs_.back()) +
                                 " synth 0.3 sine " + std::to_string(300 + 200 * i) + " 2>/dev/null")
                    .exit_code,
                0);
    }
    StartEngineAndCore();
    core_->SetSongStartedCallback([this](const decoders::TrackInfo& track) {
      started_.push_back({track.path, Clock::now()});
    });
  }
  void TearDown() override {
    RealEngineCoreTest::TearDown();
    settings::Main().Reset();
  }
  static void SetMain(void (*change)(settings::MainSettings&)) {
    settings::MainSettings main = settings::Main().Fetch();
    change(main);
    settings::Main().Apply(main);
  }
  // The main loop's work, until count songs started and the transport stopped
  // (or count reached, when stop_after is set), or the time is up.
  void RunUntil(size_t count, bool stop_after, std::chrono::seconds limit = std::chrono::seconds(20)) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
      if (signals_.WaitFor(kEngineBit, std::chrono::milliseconds(50))) core_->EndOfTrackCheck(Clock::now());
      core_->Tick(Clock::now());
      if (started_.size() >= count && (stop_after || !core_->IsPlaying())) return;
    }
  }
  std::vector<std::string> StartedPaths() const {
    std::vector<std::string> paths;
    for (const Started& s : started_) paths.push_back(s.path);
    return paths;
  }

  std::vector<std::string> songs_;
  std::vector<Started> started_;
};

}  // namespace

TEST_F(RealSequencing, SongsFollowAndRenderInOrder) {
  core_->AddNames(songs_, false, false);
  core_->PressPlay();
  RunUntil(3, false);
  EXPECT_EQ(StartedPaths(), songs_);
  EXPECT_FALSE(core_->IsPlaying());
  audio::Engine_Shutdown();  // closes the file
  std::string expected;
  for (const std::string& song : songs_)
    expected += testsupport::Run("sox " + ShellQuote(song) + " -t s16 -L -c 2 - 2>/dev/null").out;
  EXPECT_EQ(testsupport::Run("sox " + ShellQuote(dir_.File("out.wav")) + " -t s16 -L - 2>/dev/null").out,
            expected);
}

TEST_F(RealSequencing, LoopWrapsAndThePauseBetweenSongsIsKept) {
  SetMain([](settings::MainSettings& m) {
    m.loop = 1;
    m.inter_file = 1;
  });
  core_->AddNames(songs_, false, false);
  core_->PressPlay();
  RunUntil(4, true);
  ASSERT_EQ(started_.size(), 4u);
  EXPECT_EQ(started_[3].path, songs_[0]);  // wrapped
  for (size_t i = 1; i < started_.size(); ++i)
    EXPECT_GE(started_[i].when - started_[i - 1].when, std::chrono::milliseconds(1000));
  core_->Stop();
}

TEST_F(RealSequencing, StopDuringThePauseDoesNotSkipTheNextSong) {
  SetMain([](settings::MainSettings& m) { m.inter_file = 2; });
  core_->AddNames(songs_, false, false);
  core_->PressPlay();
  RunUntil(1, true);
  // Wait for the end of the first song, then stop while the pause runs.
  const auto end = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < end && !signals_.WaitFor(kEngineBit, std::chrono::milliseconds(50))) {
  }
  while (audio::Engine_GetState() != audio::kEngineFinished && Clock::now() < end)
    signals_.WaitFor(kEngineBit, std::chrono::milliseconds(50));
  core_->EndOfTrackCheck(Clock::now());
  core_->Stop();
  core_->Tick(Clock::now() + std::chrono::seconds(5));
  core_->PressPlay();
  EXPECT_EQ(StartedPaths(), (std::vector<std::string>{songs_[0], songs_[0]}));
  core_->Stop();
}

TEST_F(RealSequencing, IntroModeAdvances) {
  SetMain([](settings::MainSettings& m) {
    m.intro = 1;
    m.intro_duration = 1;
  });
  std::vector<std::string> long_songs;
  for (int i = 0; i < 2; ++i) {
    long_songs.push_back(dir_.File("long" + std::to_string(i) + ".wav"));
    ASSERT_EQ(testsupport::Run("sox -n -b 16 -r 8000 -c 1 " + ShellQuote(long_songs.back()) +
                               " synth 8 sine 440 2>/dev/null").exit_code, 0);
  }
  core_->AddNames(long_songs, false, false);
  // Intro is a matter of real time: play through the pacing null output.
  ::setenv("TUNEWRIGHT_OUTPUT", "null", 1);
  const auto start = Clock::now();
  core_->PressPlay();
  RunUntil(2, false);
  EXPECT_EQ(StartedPaths(), long_songs);
  // Each song is left once its position passes one second, long before its 8 s end.
  EXPECT_GT(Clock::now() - start, std::chrono::milliseconds(2000));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(12000));
  EXPECT_FALSE(core_->IsPlaying());
}
