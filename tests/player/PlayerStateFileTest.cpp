// The player's saved state: kept at quit, back at the next start, and ignored
// with one warning when the file is damaged.
#include <gtest/gtest.h>

#include "player/PlayerStateFile.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

using namespace player;

namespace {

class SilentEngine : public TransportEngine {
 public:
  bool Play(const decoders::TrackInfo&) override { return true; }
  void Stop() override {}
  void Pause(bool) override {}
  void SeekTo(double) override {}
  void SeekBy(bool, double) override {}
  void SetSpeed(double) override {}
  double Time() override { return 0; }
  int State() override { return 3; }
  void SetVolume(int) override {}
  void SetBalance(int) override {}
  void SetTone(bool, int, int) override {}
  void SetFilter(bool) override {}
  void SetExpand(bool) override {}
};

decoders::TrackPtr NoFile(const std::string&) { return nullptr; }

struct StateFile : ::testing::Test {
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    settings::Main().Reset();
    settings::SetAudioDefaults();
  }
  static std::vector<std::string> Rows(const PlayerCore& core) { return core.RowLines(); }

  testsupport::TempDir dir;
  std::string path = dir.File("Tunewright.state");
  SilentEngine engine;
};

}  // namespace

TEST_F(StateFile, RoundTripKeepsControlsListAndHighlightButNotTheCommandLinesValues) {
  std::vector<std::string> rows;
  {
    PlayerStateKeeper keeper(path);  // no file yet: nothing restored
    PlayerCore core(engine, NoFile);
    keeper.Start(core, true);
    EXPECT_EQ(core.RowCount(), 0);
    core.RestoreRows({"/m/a.ogg\tDURATION=01:00\tTITLE=A", "/m/b.ogg\tTITLE=B\tARTIST=x",
                      "ID0300009700C0DE-02\tDURATION=00:02\tTYPE=CDDA"},
                     -1);
    core.SetHighlighted(2);
    core.SetVolume(200);
    core.SetBalance(-30);
    core.SetBass(7);
    core.SetTreble(-4);
    core.SetButton(Button::kFilter, true);
    core.SetButton(Button::kLoop, true);
    core.SetButton(Button::kRandom, true);  // shuffles
    rows = Rows(core);
    ASSERT_TRUE(keeper.Save(core));
  }
  Reset();
  PlayerStateKeeper keeper(path);
  EXPECT_EQ(settings::Audio().volume, 200);
  settings::Audio().balance = 50;  // given on the command line: for this run only
  PlayerCore core(engine, NoFile);
  keeper.Start(core, true);
  EXPECT_EQ(Rows(core), rows);
  EXPECT_EQ(rows.size(), 3u);
  EXPECT_EQ(core.Highlighted(), 2);
  EXPECT_EQ(core.CurrentRow(), 2);
  EXPECT_EQ(core.Bass(), 7);
  EXPECT_EQ(core.Treble(), -4);
  EXPECT_TRUE(core.IsButtonSelected(Button::kFilter));
  EXPECT_TRUE(core.IsButtonSelected(Button::kLoop));
  EXPECT_TRUE(core.IsButtonSelected(Button::kRandom));
  EXPECT_FALSE(core.IsButtonSelected(Button::kExpand));
  core.PressPlay();  // the restored order is not shuffled again
  EXPECT_EQ(Rows(core), rows);
  core.SetVolume(90);  // changed while running: kept
  ASSERT_TRUE(keeper.Save(core));
  const auto saved = PlayerState_Load(path);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->volume, 90);
  EXPECT_EQ(saved->balance, -30);
  EXPECT_EQ(saved->highlighted, 2);
}

TEST_F(StateFile, DamagedFilesAreIgnoredWithOneWarning) {
  const std::string good = PlayerState_Format(PlayerState{});
  ASSERT_TRUE(PlayerState_Parse(good));
  const std::vector<std::string> damaged = {
      "",
      good.substr(0, good.size() - 4),                      // cut before END
      good + "ROW=/late.wav\n",                             // after END
      "TUNEWRIGHT_STATE=2\n" + good.substr(good.find('\n') + 1),
      std::string(good).replace(good.find("VOLUME=64"), 9, "VOLUME=6x"),
      std::string(good).replace(good.find("VOLUME=64"), 9, "VOLUME=999"),
      std::string(good).replace(good.find("VOLUME=64"), 9, "LOUDNESS=1"),
      std::string(good).replace(good.find("VOLUME=64\n"), 10, ""),  // a value missing
      std::string(good).replace(good.find("HIGHLIGHTED=-1"), 14, "HIGHLIGHTED=0"),  // no rows
      std::string(good).replace(good.find("END"), 0, "ROW=/a\x01.wav\n"),
      std::string("\x7f" "ELF\x02\x01\x01", 7),
  };
  for (const std::string& text : damaged) {
    testsupport::WriteTextFile(path, text);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(PlayerState_Load(path)) << text;
    const std::string warning = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
    EXPECT_NE(warning.find(path), std::string::npos);
  }
  // A damaged file changes nothing; a missing one is no news.
  ::testing::internal::CaptureStderr();
  PlayerStateKeeper keeper(path);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(settings::Audio().volume, 64);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(PlayerState_Load(dir.File("none.state")));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}
