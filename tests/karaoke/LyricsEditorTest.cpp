// The editor's model: list operations at the edges, files in and out, undo.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "karaoke/LyricsEditor.h"
#include "karaoke/LyricsFile.h"
#include "karaoke/LyricsTestSupport.h"
#include "support/TestSupport.h"

using namespace karaoke;
using lyricstest::Describe;
using testsupport::ReadTextFile;
using testsupport::TempDir;
using testsupport::WriteTextFile;

namespace {

std::string DescribeEntries(const LyricsEditor& editor) {
  LyricsList list;
  list.entries = editor.Entries();
  return Describe(list);
}

}  // namespace

TEST(LyricsEditor, AnEmptyListOrNoActiveLineLeavesEverythingAlone) {
  double position = 12.3456;
  LyricsEditor editor([&] { return position; });
  EXPECT_FALSE(editor.Select(0));
  EXPECT_EQ(editor.EditLine(), "");
  EXPECT_FALSE(editor.ApplyEditLine("00:01.0 text"));
  EXPECT_FALSE(editor.Copy());
  EXPECT_FALSE(editor.Cut());
  EXPECT_FALSE(editor.Paste());  // nothing copied yet
  EXPECT_FALSE(editor.PickTime());
  EXPECT_FALSE(editor.Nudge(1));
  EXPECT_FALSE(editor.Undo());
  EXPECT_TRUE(editor.Entries().empty());
  EXPECT_EQ(editor.Active(), LyricsEditor::kNone);

  TempDir dir;
  WriteTextFile(dir.File("words.txt"), "one\n\n  two\nthree\n");
  ASSERT_TRUE(editor.Import(dir.File("words.txt")));
  EXPECT_EQ(editor.Active(), 0);
  // Timing runs off the end: then the last line is safe from further picks.
  for (double at : {1.05, 2.5, 3.999}) {
    position = at;
    EXPECT_TRUE(editor.PickTime());
  }
  EXPECT_EQ(editor.Active(), LyricsEditor::kNone);
  EXPECT_FALSE(editor.PickTime());
  EXPECT_FALSE(editor.ApplyEditLine("00:09.0 late"));
  EXPECT_EQ(DescribeEntries(editor), "1050|one\n2500|two\n3999|three\n");
  // The line timed last moves, not the (absent) active one.
  EXPECT_TRUE(editor.Nudge(-1));
  EXPECT_TRUE(editor.Nudge(-50));
  EXPECT_EQ(editor.Entries()[2].time, 0);
  EXPECT_TRUE(editor.Undo());
  EXPECT_TRUE(editor.Undo());
  EXPECT_EQ(editor.Entries()[2].time, 3999);

  // Cut the last line, time the one left: with nothing active, Paste appends.
  ASSERT_TRUE(editor.Select(2));
  EXPECT_TRUE(editor.Cut());
  EXPECT_EQ(editor.Active(), 1);
  position = 2.6;
  EXPECT_TRUE(editor.PickTime());
  EXPECT_TRUE(editor.Paste());
  EXPECT_EQ(DescribeEntries(editor), "1050|one\n2600|two\n3999|three\n");
  EXPECT_EQ(editor.Active(), 2);
  // With a line active, Paste goes before it.
  ASSERT_TRUE(editor.Select(1));
  EXPECT_TRUE(editor.Paste());
  EXPECT_EQ(DescribeEntries(editor), "1050|one\n3999|three\n2600|two\n3999|three\n");
  EXPECT_EQ(editor.Active(), 1);
  // A malformed edit line changes neither the line nor the selection.
  EXPECT_FALSE(editor.ApplyEditLine("[00:01] bad"));
  EXPECT_EQ(editor.Active(), 1);
  EXPECT_TRUE(editor.ApplyEditLine("01:02.3  sung"));
  EXPECT_EQ(editor.Entries()[1].text, " sung");
  EXPECT_EQ(editor.Active(), 2);
  EXPECT_EQ(editor.EditLine(), "00:02.6 two");
}

TEST(LyricsEditor, FilesLoadSaveAndReadBack) {
  TempDir dir;
  LyricsEditor editor(nullptr);
  WriteTextFile(dir.File("in.kok"), "00:01.0 first\n00:02.5 second\n");
  ASSERT_TRUE(editor.Load(dir.File("in.kok")));
  const std::string loaded = DescribeEntries(editor);
  EXPECT_EQ(loaded, "1000|first\n2500|second\n");

  // A load that fails keeps the list.
  EXPECT_FALSE(editor.Load(dir.File("missing.kok")));
  EXPECT_FALSE(editor.Import(dir.File("missing.txt")));
  EXPECT_EQ(DescribeEntries(editor), loaded);

  // A folder with a dot and a name without one: ".kok" goes on the name.
  const std::string folder = dir.File("my.lyrics");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  EXPECT_EQ(editor.Save(folder + "/song", LyricsFormat::kKok, false), SaveResult::kSaved);
  EXPECT_EQ(ReadTextFile(folder + "/song.kok"), "00:01.0 first\n00:02.5 second\n");
  // Saving again asks first; the old file stays until the answer.
  ASSERT_TRUE(editor.Select(0));
  ASSERT_TRUE(editor.Cut());
  EXPECT_EQ(editor.Save(folder + "/song", LyricsFormat::kKok, false), SaveResult::kExists);
  EXPECT_EQ(ReadTextFile(folder + "/song.kok"), "00:01.0 first\n00:02.5 second\n");
  EXPECT_EQ(editor.Save(folder + "/song", LyricsFormat::kKok, true), SaveResult::kSaved);
  EXPECT_EQ(ReadTextFile(folder + "/song.kok"), "00:02.5 second\n");
  // A folder that is not there is a failure, not a success.
  EXPECT_EQ(editor.Save(dir.File("none/song"), LyricsFormat::kKok, true), SaveResult::kFailed);

  // LRC out and back in, times to the hundredth the format keeps.
  ASSERT_TRUE(editor.Undo());
  ASSERT_TRUE(editor.Select(1));
  ASSERT_TRUE(editor.ApplyEditLine("00:03.7 third"));
  EXPECT_EQ(editor.Save(folder + "/song.mp3", LyricsFormat::kLrc, false), SaveResult::kSaved);
  LyricsEditor reader(nullptr);
  ASSERT_TRUE(reader.Load(folder + "/song.lrc"));
  EXPECT_EQ(DescribeEntries(reader), "1000|first\n3700|third\n");

  // An LRC file's header tags survive a load and a save.
  WriteTextFile(dir.File("tagged.lrc"), "[ar:Someone]\n[00:01.50]x\n");
  ASSERT_TRUE(reader.Load(dir.File("tagged.lrc")));
  EXPECT_EQ(reader.Save(dir.File("tagged"), LyricsFormat::kKok, false), SaveResult::kSaved);
  EXPECT_EQ(ReadTextFile(dir.File("tagged.kok")), "[ar:Someone]\n00:01.5 x\n");
}
