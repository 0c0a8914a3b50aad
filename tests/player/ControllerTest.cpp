// The controller as a window uses it: every return id, the title and time
// display on a clock of the test's own, rows with stable ids, edits that end
// after their row went, and several listeners hearing the same changes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "FakeTransport.h"
#include "player/PlayerCore.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

using namespace player;
using Clock = PlayerCore::Clock;
using playertest::FakeEngine;
using playertest::Identify;
using playertest::Recorder;

namespace {

const Clock::time_point kStart{std::chrono::hours(1)};

// A core with three rows, its engine and a listener writing into the engine's log.
struct Player {
  explicit Player(int rows = 3) {
    settings::Main().Reset();
    settings::SetAudioDefaults();
    for (int i = 0; i < rows; ++i)
      Add("/s" + std::to_string(i) + ".wav\tTITLE=T" + std::to_string(i));
    core.AddListener(&recorder);
  }
  ~Player() {
    settings::Main().Reset();
    settings::SetAudioDefaults();
  }
  RowId Add(const std::string& line) {
    return core.RowIdAt(core.InsertEntry(Playlist_AddStored(store, line), -1));
  }
  RowId AddTrack(const std::string& path) {
    return core.RowIdAt(core.InsertEntry(Playlist_AddTrack(store, Identify(path)), -1));
  }
  std::string TakeLog() { return std::exchange(engine.log, {}); }
  static void SetMain(void (*change)(settings::MainSettings&)) {
    settings::MainSettings main = settings::Main().Fetch();
    change(main);
    settings::Main().Apply(main);
  }

  FakeEngine engine;
  Playlist store;
  PlayerCore core{engine, Identify};
  Recorder recorder{engine.log};
};

struct IdCase {
  int id;
  bool playing;
  const char* expected;  // a line of the transcript
};

}  // namespace

TEST(Controller, EveryReturnIdDoesItsAction) {
  const IdCase cases[] = {
      {2, false, "request 0"},    {15, false, "request 0"},    {43, false, "request 0"},
      {18, false, "request 1"},   {17, false, "request 2"},    {16, false, "request 2"},
      {6, false, "request 3"},    {7, false, "request 4"},     {20, false, "request 5"},
      {21, false, "request 6"},   {10, false, "window 0 1"},   {11, false, "window 1 1"},
      {12, false, "window 2 1"},  {13, false, "window 3 1"},   {23, false, "display 0 0"},
      {24, false, "display 1 0"}, {25, false, "display 2 0"},  {26, false, "display 3 0"},
      {27, false, "display 4 0"}, {28, false, "display 5 0"},  {29, false, "display 6 0"},
      {30, false, "display 7 0"}, {31, false, "display 8 1"},  {4, true, "removed 0 1"},
      {52, true, "removed 0 1"},  {5, true, "removed 0 3"},    {51, true, "removed 0 3"},
      {8, true, "quit"},          {-1, true, "quit"},          {33, true, "play /s0.wav"},
      {53, true, "play /s0.wav"}, {34, true, "play /s1.wav"},  {54, true, "play /s1.wav"},
      {35, false, "level 0 61"},  {36, false, "level 0 59"},   {37, false, "level 0 64"},
      {38, false, "level 2 4"},   {39, false, "level 2 6"},    {40, false, "level 2 0"},
      {41, true, "pause 1"},      {41, false, "play /s0.wav"}, {49, false, "play /s0.wav"},
      {42, true, "state 0"},      {50, true, "state 0"},       {44, true, "seekby 0 -10"},
      {45, true, "seekby 0 10"},  {46, true, "speed 149"},     {47, true, "speed 151"},
      {48, true, "speed 100"},
  };
  for (const IdCase& c : cases) {
    Player p;
    p.core.SetVolume(60);
    p.core.SetBalance(5);
    p.core.SetHighlighted(0);
    if (c.playing) {
      p.core.PressPlay();
      p.core.SetSpeed(150.5);
      p.engine.time = 30;  // late in the song: previous restarts it
      p.core.Tick(kStart);
    }
    p.TakeLog();
    p.core.PerformReturnId(c.id);
    const std::string log = p.TakeLog();
    EXPECT_NE(log.find(std::string(c.expected) + "\n"), std::string::npos)
        << "id " << c.id << " gave:\n"
        << log;
  }
}

TEST(Controller, ReturnIdsThatMustNotActNow) {
  Player p;
  p.core.SetFileRequesterOpen(true);
  EXPECT_FALSE(p.core.PerformReturnId(kReturnQuit));  // the requester's answer would be lost
  p.core.SetFileRequesterOpen(false);
  EXPECT_FALSE(p.core.PerformReturnId(kReturnSeekForward));  // nothing plays
  EXPECT_FALSE(p.core.PerformReturnId(kReturnFaster));
  EXPECT_FALSE(p.core.PerformReturnId(kReturnEdit));  // no row has an editor
  EXPECT_FALSE(p.core.PerformReturnId(9));
  EXPECT_EQ(p.TakeLog(), "");
  p.core.PressPlay();
  p.core.Pause(true);
  p.core.Step(true, false, kStart);  // the step buttons are disabled while paused
  EXPECT_EQ(p.TakeLog().find("seekby"), std::string::npos);
  EXPECT_TRUE(p.core.PerformReturnId(kReturnPlayPause));
  EXPECT_EQ(p.core.State(), PlayState::kPlaying);
}

TEST(Controller, StepButtonsClickAndHold) {
  Player p;
  p.core.PressPlay();
  p.TakeLog();
  p.core.Step(true, true, kStart);                                    // pressed
  p.core.Step(true, false, kStart + std::chrono::milliseconds(300));  // a click
  EXPECT_EQ(p.TakeLog(), "seekby 0 0\nseekby 0 10\ntime 10\n");

  const auto ms = [](int n) { return kStart + std::chrono::milliseconds(n); };
  p.core.Step(false, true, ms(0));
  p.core.Step(false, true, ms(1000));  // one second is not more than one second
  p.core.Step(false, true, ms(1100));  // repeat starts
  EXPECT_EQ(p.TakeLog(), "");
  p.core.Step(false, true, ms(1200));
  p.core.Step(false, true, ms(1300));
  p.core.Step(false, false, ms(1400));  // released: end of the scan, no step
  EXPECT_EQ(p.TakeLog(), "seekby 1 -0.8\ntime 9\nseekby 1 -0.8\ntime 8\nseekby 0 0\n");
}

TEST(Controller, TitleCountdownAndTimeDisplayOnTheTestsClock) {
  Player p;
  Player::SetMain([](settings::MainSettings& m) { m.time_slider = 0; });
  const std::string idle = PlayerCore::IdleWindowTitle();
  EXPECT_EQ(p.core.WindowTitle(), idle);
  p.core.PressPlay();
  p.engine.time = 65.7;
  p.core.Tick(kStart);
  EXPECT_EQ(p.core.WindowTitle(), "Playing 01:05");
  EXPECT_EQ(p.core.TimeShown(), 65);
  p.core.Pause(true);
  p.engine.time = 99;  // the paused text keeps the last shown second
  p.core.Tick(kStart);
  EXPECT_EQ(p.core.WindowTitle(), "Paused at 01:05");
  p.core.Pause(false);
  p.core.Stop();
  for (int tick = 1; tick <= 9; ++tick) {
    p.core.Tick(kStart);
    EXPECT_EQ(p.core.WindowTitle(), "Stopped at 01:05") << tick;
  }
  p.core.Tick(kStart);  // 9 ticks, 2.25 s
  EXPECT_EQ(p.core.WindowTitle(), idle);

  // With the slider shown the time goes to the slider, never to the title.
  Player::SetMain([](settings::MainSettings& m) { m.time_slider = 1; });
  p.core.PressPlay();
  p.TakeLog();
  p.engine.time = 7.2;
  p.core.Tick(kStart);
  p.core.PressTimeSlider();  // a drag is not fought
  p.engine.time = 8;
  p.core.Tick(kStart);
  EXPECT_EQ(p.TakeLog(), "time 7\n");
  p.core.ReleaseTimeSlider(42);  // release seeks to the slider's value
  EXPECT_EQ(p.engine.time, 42);
  EXPECT_EQ(p.core.TimeShown(), 42);
  EXPECT_EQ(p.core.WindowTitle(), idle);
}

TEST(Controller, SongLinesAndRowsAsPlainData) {
  Player p(1);
  EXPECT_FALSE(p.core.CurrentSongInfo().has_song);
  EXPECT_EQ(p.core.CurrentSongInfo().title, "Select a song");
  p.Add("/m/b.wav\tTITLE=Song\tARTIST=Band\tALBUM=Live\tGENRE=Rock\tYEAR=1999\tDURATION=03:05");
  p.core.SetHighlighted(0);
  EXPECT_EQ(p.core.CurrentSongInfo().counter, "1/2");
  p.core.SetHighlighted(1);  // identified now, while stopped
  const SongInfo& info = p.core.CurrentSongInfo();
  EXPECT_EQ(info.artist, "Band");
  EXPECT_EQ(info.details, "/ Live (Rock) [1999] ");
  EXPECT_EQ(info.counter, "2/2");
  EXPECT_EQ(info.title, "Song");
  EXPECT_EQ(info.duration, "03:05");
  EXPECT_EQ(info.format, "RIFF-WAVE  1000Hz/16b Stereo");
  EXPECT_EQ(info.karaoke_title, "Song [1999]");
  EXPECT_EQ(info.karaoke_album, "Live (Band)");
  const RowInfo row = p.core.Row(1);
  EXPECT_EQ(row.title, "Live - Band Song");  // no escapes: the window marks the current row
  EXPECT_TRUE(row.is_current);
  EXPECT_FALSE(p.core.Row(0).is_current);

  p.core.RemoveActive();
  EXPECT_EQ(p.core.CurrentSongInfo().title, "Select a song");
  p.core.SetHighlighted(0);
  EXPECT_EQ(p.core.CurrentSongInfo().counter, "");  // one row: no counter
  p.Add("/gone.wav\tTITLE=Gone");
  p.core.SetHighlighted(1);
  EXPECT_EQ(p.core.CurrentSongInfo().format, "File not available");
  p.TakeLog();
  p.core.PressPlay();
  EXPECT_NE(p.TakeLog().find("failed 1 /gone.wav 0\n"), std::string::npos);
  p.Add("/broken.wav");
  p.core.ActivateRow(2);
  EXPECT_NE(p.TakeLog().find("failed 2 /broken.wav 1\n"), std::string::npos);
}

TEST(Controller, RowIdsStayWithTheirRows) {
  Player p;
  const RowId first = p.core.RowIdAt(0), last = p.core.RowIdAt(2);
  p.core.SetHighlighted(2);
  p.core.PressPlay();
  p.TakeLog();
  EXPECT_TRUE(p.core.MoveRow(2, 0));
  EXPECT_EQ(p.TakeLog(), "moved 2 0\nhighlight 0\nsong 0\ninfo T2\n");
  EXPECT_EQ(p.core.RowOf(last), 0);
  EXPECT_EQ(p.core.RowOf(first), 1);
  EXPECT_EQ(p.core.CurrentRow(), 0);
  EXPECT_FALSE(p.core.MoveRow(0, 3));
  p.core.SetHighlighted(1);
  p.core.RemoveActive();
  EXPECT_EQ(p.core.RowOf(first), -1);
  const RowId added = p.Add("/new.wav");
  EXPECT_NE(added, first);  // ids are never reused
  EXPECT_EQ(p.core.RowTrack(added)->path, "/new.wav");
  EXPECT_EQ(p.core.RowTrack(first), nullptr);
  EXPECT_EQ(p.core.State(), PlayState::kPlaying);  // another row went: playback goes on
}

TEST(Controller, AfterEditFindsItsRowByIdOrNothing) {
  Player p(0);
  const RowId edited = p.AddTrack("/edit.wav");
  p.AddTrack("/cd-01");
  p.core.SetHighlighted(0);
  ASSERT_TRUE(p.core.PerformReturnId(kReturnEdit));
  p.core.MoveRow(0, 1);  // the row moves while the editor is open
  const int before = playertest::g_identified;
  p.TakeLog();
  playertest::g_edit_done(playertest::g_edit_user);
  EXPECT_EQ(playertest::g_identified, before + 1);  // read again where it is now
  EXPECT_NE(p.TakeLog().find("changed 1\n"), std::string::npos);
  EXPECT_EQ(p.core.RowOf(edited), 1);

  for (int id : {kReturnClose, kReturnClear}) {
    Player q(0);
    q.AddTrack("/edit.wav");
    q.core.SetHighlighted(0);
    ASSERT_TRUE(q.core.PerformReturnId(kReturnEdit));
    q.core.PerformReturnId(id);  // the row goes while its editor is open
    q.AddTrack("/other.wav");
    const int count = playertest::g_identified;
    q.TakeLog();
    playertest::g_edit_done(playertest::g_edit_user);
    EXPECT_EQ(playertest::g_identified, count) << id;  // nothing to refresh
    EXPECT_EQ(q.TakeLog(), "") << id;
  }

  // A disc title edit refreshes every CD row; an edit left unchanged refreshes nothing.
  Player c(0);
  c.AddTrack("/cd-01");
  c.AddTrack("/s.wav");
  c.AddTrack("/cd-02");
  c.TakeLog();
  c.core.AfterEdit(true, true);
  EXPECT_EQ(c.TakeLog(), "changed 0\nchanged 2\n");
  c.core.AfterEdit(false, true);
  EXPECT_EQ(c.TakeLog(), "");
}

TEST(Controller, NamesInsertedAtARowPlayOnlyIntoAnEmptyList) {
  testsupport::TempDir dir;
  for (const char* name : {"a.wav", "b.wav", "c.wav", "d.kok"})
    std::ofstream(dir.File(name)) << "x";
  Player p(0);
  p.core.InsertNames({dir.File("a.wav"), dir.File("b.wav")}, -1);  // a drop on an empty list
  EXPECT_EQ(p.engine.played, std::vector<std::string>{dir.File("a.wav")});
  EXPECT_EQ(p.core.InsertNames({dir.File("c.wav")}, 1), 2);
  EXPECT_EQ(p.core.Row(1).title, " -  c.wav");
  EXPECT_EQ(p.engine.played.size(), 1u);

  p.core.OpenSelected({dir.File("d.kok"), dir.File("c.wav")}, false);  // Open replaces
  EXPECT_EQ(p.core.RowCount(), 1);
  EXPECT_EQ(p.engine.played.back(), dir.File("c.wav"));  // AUTO_PLAY
  p.core.OpenSelected({dir.File("a.wav")}, true);        // Append adds at the bottom
  EXPECT_EQ(p.core.RowCount(), 2);

  Player s(0);
  settings::MainSettings main = settings::Main().Fetch();
  main.auto_play = 0;
  main.initial_file = dir.File("b.wav");
  settings::Main().Apply(main);
  s.core.StartUp();  // the start-up file, highlighted, not played
  EXPECT_EQ(s.core.RowCount(), 1);
  EXPECT_EQ(s.core.Highlighted(), 0);
  EXPECT_TRUE(s.engine.played.empty());
}

TEST(Controller, SaveAsksBeforeReplacingAndSaveReusesTheLastPath) {
  testsupport::TempDir dir;
  const std::string path = dir.File("list.plst");
  std::ofstream(path) << "old\n";
  Player p;
  int asked = 0;
  EXPECT_FALSE(p.core.SavePlaylist(path, [&](const std::string& which) {
    ++asked;
    return which != path;
  }));
  std::stringstream kept;
  kept << std::ifstream(path).rdbuf();
  EXPECT_EQ(kept.str(), "old\n");
  EXPECT_TRUE(p.core.SavePlaylist(path, [&](const std::string&) { return ++asked > 0; }));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(p.core.LastPlaylistPath(), path);
  p.TakeLog();
  EXPECT_TRUE(p.core.PerformReturnId(kReturnSave));  // the file exists: no question, no requester
  EXPECT_EQ(p.TakeLog(), "");
  std::stringstream saved;
  saved << std::ifstream(path).rdbuf();
  EXPECT_EQ(saved.str().substr(0, 8), "/s0.wav\t");
}

TEST(Controller, SeveralListenersHearTheSameChanges) {
  // One listener leaves during a notification; the others hear every change, in order.
  struct Leaver : PlayerListener {
    PlayerCore* core = nullptr;
    int heard = 0;
    void OnStateChanged(PlayState) override {
      ++heard;
      core->RemoveListener(this);
    }
  };
  Player p;
  std::string second_log;
  Recorder second(second_log);
  Leaver leaver;
  leaver.core = &p.core;
  p.core.AddListener(&leaver);
  p.core.AddListener(&second);
  p.TakeLog();
  p.core.SetHighlighted(1);
  p.core.PressPlay();
  p.core.SetButton(Button::kLoop, true);
  p.core.SetVolumeRange(100);
  p.core.Next();
  p.core.Stop();
  const std::string first_log = p.TakeLog();
  EXPECT_EQ(leaver.heard, 1);
  // The engine's own lines are in the first log only.
  std::string listened;
  std::istringstream lines(first_log);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("play ", 0) != 0 && line != "stop") listened += line + "\n";
  }
  EXPECT_EQ(listened, second_log);
  EXPECT_NE(second_log.find("level 1 128\n"), std::string::npos);
  EXPECT_NE(second_log.find("button 5 1\n"), std::string::npos);
  // Next while playing: the new song, no stop in between.
  EXPECT_NE(second_log.find("song 2\n"), std::string::npos);
  EXPECT_EQ(second_log.find("state 0\n"), second_log.rfind("state 0\n"));
  p.core.RemoveListener(&second);
}
