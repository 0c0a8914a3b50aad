// Disc changes seen by the CD poll reach the playlist on the main task: the old
// disc's rows go (the engine stopped first when one of them plays), the new
// disc's tracks come in, and the highlight stays on its song.
#include <gtest/gtest.h>
#include <poll.h>

#include <filesystem>

#include "cdda/CdImages.h"
#include "decoders/Decoders.h"
#include "player/DiscPoll.h"
#include "player/PlayerCore.h"
#include "settings/SettingsGroups.h"

using namespace player;
using namespace cdtest;

namespace {

// Remembers how many rows the list had when the engine was told to stop.
class StopWatchingEngine : public TransportEngine {
 public:
  explicit StopWatchingEngine(const PlayerCore* const* core) : core_(core) {}
  bool Play(const decoders::TrackInfo& track) override {
    played.push_back(track.path);
    return true;
  }
  void Stop() override { rows_at_stop.push_back((*core_)->RowCount()); }
  void Pause(bool) override {}
  void SeekTo(double) override {}
  void SeekBy(bool, double) override {}
  void SetSpeed(double) override {}
  double Time() override { return 0; }
  int State() override { return 1; }
  void SetVolume(int) override {}
  void SetBalance(int) override {}
  void SetTone(bool, int, int) override {}
  void SetFilter(bool) override {}
  void SetExpand(bool) override {}

  std::vector<std::string> played;
  std::vector<int> rows_at_stop;

 private:
  const PlayerCore* const* core_;
};

// Twenty ticks ask for a poll; the result is handled as the main loop would.
void PollOnce(PlayerCore& core, DiscPollSource& source) {
  for (int i = 0; i < 20; ++i) core.Tick(PlayerCore::Clock::now());
  std::vector<pollfd> fds;
  source.AddPollFds(fds);
  ASSERT_EQ(::poll(fds.data(), fds.size(), 20000), 1);
  source.HandlePollFds(fds);
}

std::vector<std::string> Paths(const PlayerCore& core) {
  std::vector<std::string> paths;
  for (const std::string& line : core.RowLines()) paths.push_back(line.substr(0, line.find('\t')));
  return paths;
}

}  // namespace

TEST(DiscChange, SwappedImageReplacesTheCdRowsKeepsTheHighlightAndStopsTheDiscFirst) {
  testsupport::TempDir dir;
  const DiscImage a = MakeDisc(dir, "a", AudioTracks(2, 0.2));
  const DiscImage b = MakeDisc(dir, "b", AudioTracks(3, 0.2));
  const std::string slot = dir.File("drive.cue");
  std::filesystem::copy_file(a.cue, slot);
  UseDrive(slot, dir.path(), true);
  std::vector<std::string> songs;
  for (int i = 0; i < 3; ++i) {
    songs.push_back(dir.File("s" + std::to_string(i) + ".wav"));
    ASSERT_EQ(testsupport::Run("sox -n -b 16 -r 8000 -c 1 " + testsupport::ShellQuote(songs.back()) +
                               " synth 0.2 sine 440 2>/dev/null")
                  .exit_code,
              0);
  }
  settings::Main().Reset();
  ASSERT_EQ(decoders::Decoders_Init(), 1);
  const PlayerCore* core_ptr = nullptr;
  StopWatchingEngine engine(&core_ptr);
  PlayerCore core(engine, IdentifyPlayable);
  core_ptr = &core;
  DiscPollSource source(core);

  core.AddNames({songs[0], slot, songs[1], songs[2]}, false, false);
  const std::string key_a = ExpectedKey(a), key_b = ExpectedKey(b);
  ASSERT_EQ(Paths(core), (std::vector<std::string>{songs[0], key_a + "-01", key_a + "-02",
                                                    songs[1], songs[2]}));
  core.SetHighlighted(3);
  PollOnce(core, source);  // the same disc: nothing changes
  EXPECT_EQ(core.RowCount(), 5);

  std::filesystem::remove(slot);
  std::filesystem::copy_file(b.cue, slot);
  PollOnce(core, source);
  EXPECT_EQ(Paths(core), (std::vector<std::string>{songs[0], songs[1], songs[2], key_b + "-01",
                                                    key_b + "-02", key_b + "-03"}));
  EXPECT_EQ(core.Highlighted(), 1);  // still the second song
  EXPECT_EQ(core.CdId(), key_b);
  EXPECT_TRUE(engine.rows_at_stop.empty());  // nothing played, nothing stopped

  ASSERT_TRUE(core.SelectRow(4));
  core.PressPlay();
  ASSERT_EQ(core.State(), PlayState::kPlaying);
  std::filesystem::remove(slot);
  PollOnce(core, source);
  EXPECT_EQ(engine.rows_at_stop, std::vector<int>{6});  // stopped while its row was there
  EXPECT_EQ(core.State(), PlayState::kStopped);
  EXPECT_EQ(Paths(core), (std::vector<std::string>{songs[0], songs[1], songs[2]}));
  EXPECT_EQ(core.CdId(), "");
  EXPECT_EQ(engine.played, std::vector<std::string>{key_b + "-02"});
  decoders::Decoders_Exit();
}
