// Karaoke on a song the real engine plays through the file sink: the editor times
// lines from the player's position, and the display follows the same song.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "RealEngineCore.h"
#include "decoders/Decoders.h"
#include "karaoke/LyricsEditor.h"
#include "karaoke/LyricsTestSupport.h"
#include "platform/Signals.h"
#include "player/KaraokeHandOff.h"
#include "player/PlayerCore.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

using namespace player;
using Clock = std::chrono::steady_clock;
using karaoke::LyricsList;
using testsupport::ShellQuote;

namespace {


class KaraokeOnTheEngine : public RealEngineCoreTest {
 protected:
  void SetUp() override {
    TW_REQUIRE_TOOLS("sox");
    settings::Main().Reset();
    settings::Karaoke().Reset();
    song_ = dir_.File("song.wav");
    ASSERT_EQ(testsupport::Run("sox -n -b 16 -r 8000 -c 1 " + ShellQuote(song_) +
                               " synth 3 sine 440 2>/dev/null")
                  .exit_code,
              0);
    StartEngineAndCore();
  }
  void TearDown() override {
    RealEngineCoreTest::TearDown();
    settings::Karaoke().Reset();
  }
  // Starts the song and holds it paused: the file sink's clock then stands still,
  // so the position is exactly where the test puts it.
  void PlayPaused() {
    core_->AddNames({song_}, false, false);
    core_->PressPlay();
    ASSERT_TRUE(core_->IsPlaying());
    core_->Pause(true);
  }
  // Puts the paused song at seconds and lets one tick of the main loop pass.
  void PlayAt(double seconds) {
    ASSERT_TRUE(core_->Seek(seconds));
    core_->Tick(Clock::now());
    ASSERT_DOUBLE_EQ(core_->PositionSeconds(), seconds);
  }

  std::string song_;
};

}  // namespace

TEST_F(KaraokeOnTheEngine, PickTimeStampsLinesWithThePlayersPosition) {
  testsupport::WriteTextFile(dir_.File("words.txt"), "one\ntwo\nthree\n");
  karaoke::LyricsEditor editor([this] { return core_->PositionSeconds(); });
  ASSERT_TRUE(editor.Import(dir_.File("words.txt")));
  PlayPaused();
  for (const double at : {0.5, 1.25, 2.0}) {
    PlayAt(at);
    ASSERT_TRUE(editor.PickTime()) << at;
  }
  EXPECT_FALSE(editor.PickTime());  // past the last line
  LyricsList picked;
  picked.entries = editor.Entries();
  EXPECT_EQ(lyricstest::Describe(picked), "500|one\n1250|two\n2000|three\n");
  const int32_t previous = 2000;
  // The last line timed moves by a tenth of a second, and back.
  ASSERT_TRUE(editor.Nudge(1));
  EXPECT_EQ(editor.Entries()[2].time, previous + 100);
  ASSERT_TRUE(editor.Undo());
  EXPECT_EQ(editor.Entries()[2].time, previous);
  core_->Stop();
}

TEST_F(KaraokeOnTheEngine, TheDisplayFollowsThePlayingSongAndKeepsItsWindowState) {
  testsupport::WriteTextFile(dir_.File("song.kok"), "00:01.0 first\n00:02.0 second\n");
  karaoke::KaraokeDisplay display;
  KaraokeHandOff hand_off(*core_, display);
  PlayPaused();
  PlayAt(0.25);
  EXPECT_EQ(display.Line1(), "first");
  EXPECT_EQ(display.Line2(), "second");
  PlayAt(1.75);  // past 2.0 s less the advance
  EXPECT_EQ(display.Line1(), "second");
  EXPECT_EQ(display.Line2(), "");
  PlayAt(0.5);  // back again
  EXPECT_EQ(display.Line1(), "first");
  core_->Stop();
  EXPECT_EQ(display.Line1(), core_->CurrentSongInfo().karaoke_title);

  core_->SetSubWindowOpen(SubWindow::kKaraoke, true);
  EXPECT_EQ(settings::Karaoke().Fetch().window_opened, 1);
  core_->SetSubWindowOpen(SubWindow::kKaraoke, false);
  EXPECT_EQ(settings::Karaoke().Fetch().window_opened, 0);
  settings::KaraokeSettings karaoke = settings::Karaoke().Fetch();
  karaoke.window_opened = 1;
  settings::Karaoke().Apply(karaoke);
  hand_off.OpenAtStartUp();
  EXPECT_TRUE(core_->IsSubWindowOpen(SubWindow::kKaraoke));
}
