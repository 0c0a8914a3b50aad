#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "FakeTransport.h"
#include "player/PlayerCore.h"
#include "settings/SettingsGroups.h"

using namespace player;
using Clock = PlayerCore::Clock;
using playertest::FakeEngine;
using playertest::Identify;

namespace {

// What a watching client would be told, in order.
struct EventLog : PlayerListener {
  void OnStateChanged(PlayState state) override {
    events.push_back(state == PlayState::kStopped  ? "STOP"
                     : state == PlayState::kPaused ? "PAUSE"
                                                   : "PLAY");
  }
  void OnSongChanged(int row) override { events.push_back("SONG " + std::to_string(row)); }
  std::vector<std::string> events;
};

struct Fixture : ::testing::Test {
  void SetUp() override { settings::Main().Reset(); }
  void TearDown() override { settings::Main().Reset(); }

  void AddRows(int n) {
    for (int i = 0; i < n; ++i) {
      // Rows are made without files: the stored FILEPATH is identified on play.
      PlaylistEntry* e = Playlist_AddStored(store, "/s" + std::to_string(i) + ".wav\tTITLE=x");
      core.InsertEntry(e, -1);
    }
  }
  void Finish() {
    engine.state = 4;
    core.EndOfTrackCheck(Clock::now());
  }
  static void SetMain(void (*change)(settings::MainSettings&)) {
    settings::MainSettings main = settings::Main().Fetch();
    change(main);
    settings::Main().Apply(main);
  }

  FakeEngine engine;
  PlayerCore core{engine, Identify};
  Playlist store;  // entries live here; the core only shows them
};

}  // namespace

TEST_F(Fixture, SongsFollowAndLoopWraps) {
  AddRows(3);
  EventLog log;
  core.AddListener(&log);
  core.PressPlay();
  Finish();
  core.Pause(true);
  core.PerformReturnId(kReturnNext);  // a paused song gives way to a playing one
  Finish();  // end of list, no loop: stops
  EXPECT_EQ(engine.played, (std::vector<std::string>{"/s0.wav", "/s1.wav", "/s2.wav"}));
  EXPECT_EQ(core.State(), PlayState::kStopped);
  // One change per song, and no stop between songs that follow each other.
  EXPECT_EQ(log.events, (std::vector<std::string>{"SONG 0", "PLAY", "SONG 1", "PAUSE", "SONG 2",
                                                  "PLAY", "STOP"}));
  core.RemoveListener(&log);

  SetMain([](settings::MainSettings& m) { m.loop = 1; });
  core.PressPlay();  // the last row is still current
  Finish();
  EXPECT_EQ(engine.played.back(), "/s0.wav");
}

TEST_F(Fixture, PrevDependsOnTheShownPosition) {
  AddRows(3);
  core.PressPlay();
  Finish();  // second song
  engine.time = 5;
  core.Tick(Clock::now());
  core.Prev();  // early in the song: the one before
  EXPECT_EQ(engine.played.back(), "/s0.wav");
  Finish();
  engine.time = 30;
  core.Tick(Clock::now());
  core.Prev();  // late: restart it
  EXPECT_EQ(engine.played.back(), "/s1.wav");
  core.SelectRow(0, true);
  core.Prev();  // the first row always restarts
  EXPECT_EQ(engine.played.back(), "/s0.wav");
}

TEST_F(Fixture, InterFileDelayOnTheCallersClockAndStopDuringIt) {
  SetMain([](settings::MainSettings& m) { m.inter_file = 3; });
  AddRows(3);
  core.PressPlay();
  const Clock::time_point end{std::chrono::hours(1)};  // a clock of the test's own
  engine.state = 4;
  core.EndOfTrackCheck(end);
  core.EndOfTrackCheck(end + std::chrono::seconds(2));  // a second signal does not restart the wait
  EXPECT_EQ(engine.played.size(), 1u);  // waiting: the finished song stays current
  EXPECT_EQ(core.State(), PlayState::kPlaying);
  EXPECT_EQ(core.CurrentRow(), 0);
  core.Tick(end + std::chrono::seconds(3));  // not more than the delay yet
  EXPECT_EQ(engine.played.size(), 1u);
  core.Tick(end + std::chrono::milliseconds(3250));
  EXPECT_EQ(engine.played.back(), "/s1.wav");

  engine.state = 4;
  core.EndOfTrackCheck(end);  // wait again...
  core.Stop();                // ...and stop during the delay
  core.Tick(end + std::chrono::seconds(10));
  EXPECT_EQ(engine.played.size(), 2u);
  core.PressPlay();  // the next song is not skipped
  EXPECT_EQ(engine.played.back(), "/s1.wav");
}

TEST_F(Fixture, IntroAdvancesWithoutDelayAndStopsAtTheEnd) {
  SetMain([](settings::MainSettings& m) {
    m.intro = 1;
    m.intro_duration = 10;
    m.inter_file = 5;
  });
  AddRows(2);
  core.PressPlay();
  engine.time = 10.5;
  core.Tick(Clock::now());
  EXPECT_EQ(engine.played.size(), 1u);  // 10 is not past 10
  engine.time = 11;
  core.Tick(Clock::now());
  EXPECT_EQ(engine.played.back(), "/s1.wav");
  engine.time = 11;
  core.Tick(Clock::now());
  EXPECT_EQ(core.State(), PlayState::kStopped);
}

TEST_F(Fixture, RemovingThePlayingEntryStopsWhateverIsHighlighted) {
  AddRows(3);
  core.PressPlay();
  core.SetHighlighted(2);
  core.RemoveActive();  // another row: playback goes on
  EXPECT_EQ(core.State(), PlayState::kPlaying);
  core.SetHighlighted(0);
  core.RemoveActive();
  EXPECT_EQ(core.State(), PlayState::kStopped);
  EXPECT_EQ(core.CurrentRow(), -1);
}

TEST_F(Fixture, SpeedEmptyListAndBrokenSongs) {
  EXPECT_FALSE(core.Next());  // empty list, even with loop
  SetMain([](settings::MainSettings& m) { m.loop = 1; });
  EXPECT_FALSE(core.Next());
  EXPECT_FALSE(core.SetSpeed(200));  // nothing plays
  Playlist_AddStored(store, "/broken.wav\tTITLE=b");
  core.InsertEntry(store.entries.back().get(), -1);
  core.PressPlay();
  EXPECT_EQ(core.State(), PlayState::kStopped);  // the engine refused it
  AddRows(1);
  core.SelectRow(1, false);
  core.PressPlay();
  EXPECT_TRUE(core.SetSpeed(500));
  EXPECT_EQ(engine.speed, 400);
  EXPECT_FALSE(core.SetSpeed(std::nan("")));
  EXPECT_FALSE(core.Seek(std::numeric_limits<double>::infinity()));
  EXPECT_TRUE(core.Seek(1e300));
  EXPECT_EQ(engine.time, 60);  // clamped to the song
}

TEST(Shuffle, EveryOrderEquallyLikely) {
  FakeEngine engine;
  PlayerCore core(engine, Identify);
  core.SetRandomSeed(12345);
  Playlist store;
  for (int i = 0; i < 3; ++i) core.InsertEntry(Playlist_AddStored(store, "/" + std::to_string(i)), -1);
  std::map<std::vector<RowId>, int> seen;
  constexpr int kRuns = 60000;
  for (int i = 0; i < kRuns; ++i) {
    core.Shuffle();
    ++seen[{core.RowIdAt(0), core.RowIdAt(1), core.RowIdAt(2)}];
  }
  ASSERT_EQ(seen.size(), 6u);
  for (const auto& [order, count] : seen) EXPECT_NEAR(count / double(kRuns), 1.0 / 6.0, 0.01);
}
