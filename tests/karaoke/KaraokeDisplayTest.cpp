// The karaoke display against times worked out here: which line is sung at every
// tick, where lyrics are found, and when the picture is read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "karaoke/KaraokeDisplay.h"
#include "karaoke/LyricsSearch.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

using namespace karaoke;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteTextFile;

namespace {

struct RecordingView : KaraokeView {
  void ShowLines(const std::string& current, const std::string& coming) override {
    line1 = current;
    line2 = coming;
  }
  void ShowPicture(const std::string& path) override { pictures.push_back(path); }
  std::string line1, line2;
  std::vector<std::string> pictures;
};

class KaraokeDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { settings::Karaoke().Reset(); }
  void TearDown() override { settings::Karaoke().Reset(); }
  static void Set(void (*change)(settings::KaraokeSettings&)) {
    settings::KaraokeSettings karaoke = settings::Karaoke().Fetch();
    change(karaoke);
    settings::Karaoke().Apply(karaoke);
  }
  TempDir dir_;
};

constexpr int64_t kAdvance = 500;  // the default ADVANCE_TIME
const std::vector<int32_t> kTimes = {10000, 12000, 12500, 20000, 30000};

// The line being sung at play time ms: the last that started before ms + advance,
// or the first before any did.
size_t ExpectedLine(int64_t ms) {
  size_t line = 0;
  for (size_t i = 0; i < kTimes.size(); ++i) {
    if (kTimes[i] < ms + kAdvance) line = i;
  }
  return line;
}

std::string Text(size_t line) { return line < kTimes.size() ? "line " + std::to_string(line) : ""; }

}  // namespace

TEST_F(KaraokeDisplayTest, LinesFollowThePlayTimeThroughStepsAndJumps) {
  std::string file;
  for (size_t i = 0; i < kTimes.size(); ++i)
    file += Lyrics_FormatTime(kTimes[i]) + " " + Text(i) + "\n";
  WriteTextFile(dir_.File("song.kok"), file);
  RecordingView view;
  KaraokeDisplay display(&view);
  display.SetDefaultTexts("Title [2001]", "Album (Artist)");
  display.SongLoaded(dir_.File("song.ogg"));
  ASSERT_TRUE(display.HasLyrics());
  EXPECT_EQ(view.line1, "Title [2001]");
  EXPECT_EQ(view.line2, "Album (Artist)");

  std::vector<int64_t> ticks;
  for (int64_t t = 250; t <= 25000; t += 250) ticks.push_back(t);
  ticks.push_back(15000);  // back 10 s
  for (int64_t t = 15250; t <= 16000; t += 250) ticks.push_back(t);
  ticks.push_back(19000);                                            // forward 3 s: over a line
  for (int64_t t = 19500; t <= 40000; t += 500) ticks.push_back(t);  // half-second steps
  for (const int64_t t : ticks) {
    display.Update(t);
    const size_t line = ExpectedLine(t);
    ASSERT_EQ(view.line1, Text(line)) << "at " << t << " ms";
    ASSERT_EQ(view.line2, Text(line + 1)) << "at " << t << " ms";
  }

  // The first line is up at the first tick and the last one arrives at the first
  // tick past its start less the advance; then nothing is left to come.
  display.Update(0);
  EXPECT_EQ(view.line1, "Title [2001]");
  display.Update(250);
  EXPECT_EQ(view.line1, "line 0");
  EXPECT_EQ(view.line2, "line 1");
  display.Update(29000);
  display.Update(29500);
  EXPECT_EQ(view.line1, "line 3");
  display.Update(29750);
  EXPECT_EQ(view.line1, "line 4");
  EXPECT_EQ(view.line2, "");
  display.Update(30250);
  display.Update(31000);
  EXPECT_EQ(view.line1, "line 4");
  EXPECT_EQ(view.line2, "");
}

TEST_F(KaraokeDisplayTest, LyricsAreSearchedInOrderDownToTheSongsOwnTag) {
  TW_REQUIRE_TOOLS("sox", "vorbiscomment");
  const std::string songs = dir_.File("my.music");
  const std::string under = dir_.File("lyrics");
  ASSERT_EQ(::mkdir(songs.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(under.c_str(), 0755), 0);
  // Longer than the 26 bytes a lyrics name keeps, so ".kok" and ".lrc" names differ.
  const std::string base = "a_song_with_a_rather_long_name";
  const std::string song = songs + "/" + base + ".ogg";
  ASSERT_EQ(testsupport::Run("sox -n -r 8000 -c 1 " + ShellQuote(song) +
                             " synth 0.5 sine 440 2>/dev/null")
                .exit_code,
            0);
  ASSERT_EQ(testsupport::Run("vorbiscomment -w -e -t " +
                             ShellQuote("LYRICS=[00:01.00]from the tag\\n[00:02.00]two") + " " +
                             ShellQuote(song))
                .exit_code,
            0);
  settings::KaraokeSettings karaoke;
  karaoke.path = under;
  const auto first_text = [&] {
    const auto list = FindLyrics(song, karaoke);
    return list && !list->entries.empty() ? list->entries[0].text : std::string("none");
  };
  EXPECT_EQ(first_text(), "from the tag");
  const std::string kok_name = base.substr(0, 26) + ".kok";
  const std::string full_under = under + songs;  // PATH joined with the song's own path
  ASSERT_EQ(testsupport::Run("mkdir -p " + ShellQuote(full_under)).exit_code, 0);
  // Each file found outranks the one before it.
  struct Step {
    std::string path, stamp, text;
  };
  const std::vector<Step> steps = {
      {under + "/" + base + ".lrc", "[00:01.00]", "lrc under PATH by name"},
      {full_under + "/" + base + ".lrc", "[00:01.00]", "lrc under PATH by path"},
      {songs + "/" + base + ".lrc", "[00:01.00]", "lrc beside"},
      {under + "/" + kok_name, "00:01.0 ", "kok under PATH by name"},
      {full_under + "/" + kok_name, "00:01.0 ", "kok under PATH by path"},
      {songs + "/" + kok_name, "00:01.0 ", "kok beside"},
  };
  for (const Step& step : steps) {
    WriteTextFile(step.path, step.stamp + step.text + "\n");
    EXPECT_EQ(first_text(), step.text) << step.path;
  }
  karaoke.path_has_priority = 1;
  EXPECT_EQ(first_text(), "kok under PATH by path");
  karaoke.path.clear();
  EXPECT_EQ(first_text(), "kok beside");
  EXPECT_EQ(FindLyrics(songs + "/nothing.ogg", karaoke), nullptr);
  // A FIFO under the lyrics name is passed over instead of blocking the player.
  ASSERT_EQ(::mkfifo((songs + "/fifo.kok").c_str(), 0644), 0);
  EXPECT_EQ(FindLyrics(songs + "/fifo.ogg", karaoke), nullptr);
}

TEST_F(KaraokeDisplayTest, APictureIsReadOncePerFolderAndForgottenWithout) {
  Set([](settings::KaraokeSettings& k) { k.image_display = 1; });
  const std::string shared = dir_.File("main.pic");
  WriteTextFile(shared, "picture");
  WriteTextFile(dir_.File("own.pic"), "picture");
  const std::string elsewhere = dir_.File("elsewhere");
  ASSERT_EQ(::mkdir(elsewhere.c_str(), 0755), 0);
  RecordingView view;
  KaraokeDisplay display(&view);
  view.pictures.clear();
  display.SongLoaded(dir_.File("one.wav"));
  display.SongLoaded(dir_.File("two.wav"));
  EXPECT_EQ(view.pictures, std::vector<std::string>{shared});
  display.SongLoaded(dir_.File("own.wav"));
  display.SongLoaded(elsewhere + "/three.wav");
  display.SongLoaded(elsewhere + "/four.wav");
  EXPECT_EQ(view.pictures, (std::vector<std::string>{shared, dir_.File("own.pic"), ""}));
  EXPECT_EQ(display.Picture(), "");
  EXPECT_FALSE(display.HasLyrics());
}
