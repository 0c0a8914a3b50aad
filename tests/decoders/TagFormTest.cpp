// The tag editor's form on real MP3 files made by lame: what it shows, what it
// writes (read back by mutagen), and what a failed write leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "MpegOggSupport.h"
#include "decoders/Decoders.h"
#include "decoders/EmbeddedLyrics.h"
#include "decoders/TagForm.h"
#include "support/SizeLimitedChild.h"

namespace {

using decoders::TagForm;
using decoders::TagFormTarget;
using mpegogg::RunOk;
using testsupport::ReadBinaryFile;
using testsupport::ShellQuote;
using testsupport::TempDir;

class TagFormFile : public ::testing::Test {
 protected:
  std::string MakeMp3(const std::string& name) {
    const std::string source = mpegogg::MakeSource(dir_, name + ".wav", 44100, 1, 0.5);
    const std::string path = dir_.File(name);
    RunOk("lame --quiet -b 64 " + ShellQuote(source) + " " + ShellQuote(path));
    return path;
  }
  TempDir dir_;
};

TEST_F(TagFormFile, ATaglessFileShowsItsNameAndOkAddsOneTagThatMutagenReads) {
  TW_REQUIRE_TOOLS("lame", "sox");
  const std::string path = MakeMp3("A rather long file name of a song.mp3");
  const size_t size = ReadBinaryFile(path).size();
  TagForm form;
  ASSERT_EQ(form.Target(path, false), TagFormTarget::kLoaded);
  EXPECT_EQ(form.texts(), (TagForm::Texts{"A rather long file name of a s", "", "", "", "", ""}));

  form.SetTexts({"Caf\u00E9 Song", "Band", "Record", "19x87", "Jazz", "Hello"});
  EXPECT_EQ(form.texts()[decoders::kTagYear], "1987");
  ASSERT_EQ(form.Save(), decoders::kId3Ok);
  EXPECT_EQ(ReadBinaryFile(path).size(), size + 128);
  const std::string script =
      "import sys\nfrom mutagen.id3 import ParseID3v1\n"
      "f = ParseID3v1(open(sys.argv[1], 'rb').read()[-128:])\n"
      "for k in ('TIT2', 'TPE1', 'TALB', 'TDRC'): print(k, f[k])\n"
      "print('TCON', f['TCON'].genres[0])\n";
  testsupport::WriteTextFile(dir_.File("read.py"), script);
  EXPECT_EQ(RunOk("/usr/bin/python3 " + ShellQuote(dir_.File("read.py")) + " " + ShellQuote(path)),
            "TIT2 Caf\u00E9 Song\nTPE1 Band\nTALB Record\nTDRC 1987\nTCON Jazz\n");

  // Asked again for the same file, the edit in hand goes on; a missing file is refused.
  form.SetTexts({"Typed", "", "", "", "", ""});
  EXPECT_EQ(form.Target(path, true), TagFormTarget::kContinued);
  EXPECT_EQ(form.texts()[decoders::kTagTitle], "Typed");
  EXPECT_EQ(form.Target(dir_.File("missing.mp3"), true), TagFormTarget::kRefused);
  EXPECT_EQ(form.path(), path);

  // Histories hold what was entered, sorted; genres are the whole table, sorted.
  EXPECT_EQ(form.Choices(decoders::kTagTitle),
            (std::vector<std::string>{"A rather long file name of a s", "Caf\u00E9 Song"}));
  const std::vector<std::string>& genres = form.Choices(decoders::kTagGenre);
  EXPECT_EQ(genres.size(), 146u);
  EXPECT_TRUE(std::is_sorted(genres.begin(), genres.end()));
  EXPECT_EQ(genres.front(), "");
}

TEST_F(TagFormFile, AGenreByteOutsideTheTableIsKeptUntilTheGenreIsChanged) {
  TW_REQUIRE_TOOLS("lame", "sox");
  const std::string path = MakeMp3("odd.mp3");
  decoders::ID3Tag odd;
  odd.title = "Odd";
  odd.genre_byte = 200;
  ASSERT_EQ(decoders::ID3_Write(path, odd), decoders::kId3Ok);
  TagForm form;
  ASSERT_EQ(form.Target(path, false), TagFormTarget::kLoaded);
  EXPECT_EQ(form.texts()[decoders::kTagGenre], "");
  TagForm::Texts texts = form.texts();
  texts[decoders::kTagTitle] = "Renamed";
  form.SetTexts(texts);
  ASSERT_EQ(form.Save(), decoders::kId3Ok);
  EXPECT_EQ(ReadBinaryFile(path).back(), 200);
  texts[decoders::kTagGenre] = "Rock";
  form.SetTexts(texts);
  ASSERT_EQ(form.Save(), decoders::kId3Ok);
  EXPECT_EQ(ReadBinaryFile(path).back(), 17);
}

TEST_F(TagFormFile, AFailedWriteIsReportedKeepsTheTypedTextsAndLeavesTheFileAsItWas) {
  TW_REQUIRE_TOOLS("lame", "sox");
  const std::string path = MakeMp3("full.mp3");
  const std::vector<uint8_t> before = ReadBinaryFile(path);
  const TagForm::Texts typed{"New title", "Artist", "", "2001", "Pop", ""};
  const bool reported = testsupport::SaveInSizeLimitedChild(
      [&] {
        TagForm form;
        if (form.Target(path, false) != TagFormTarget::kLoaded) return false;
        form.SetTexts(typed);
        return form.Save() == decoders::kId3WriteFailed && form.texts() == typed;
      },
      before.size() + 50);
  EXPECT_TRUE(reported);
  EXPECT_EQ(ReadBinaryFile(path), before);
}

void FakeEditor(const std::string&, void (*)(void*), void*) {}

// A file whose ID3v2 tag the player shows gets the note that only ID3v1 is
// written here; its USLT lyrics reach the karaoke display.
TEST_F(TagFormFile, AnId3v2TagIsNotedAndItsLyricsAreRead) {
  TW_REQUIRE_TOOLS("lame", "sox");
  const std::string plain = MakeMp3("plain.mp3");
  const std::string tagged = MakeMp3("tagged.mp3");
  RunOk("/usr/bin/python3 " + ShellQuote(TW_TEST_SOURCE_DIR "/tests/support/tagmp3.py") + " " +
        ShellQuote(tagged) + " id3 4 utf8 TIT2=Song " +
        ShellQuote("USLT=[00:01.00]erste Zeile\\n[00:02.50]zweite \u00C4"));
  TagForm form;
  ASSERT_EQ(form.Target(tagged, false), TagFormTarget::kLoaded);
  EXPECT_TRUE(form.has_richer_tags);
  ASSERT_EQ(form.Target(plain, false), TagFormTarget::kLoaded);
  EXPECT_FALSE(form.has_richer_tags);  // the note of the last file does not stay
  EXPECT_EQ(decoders::ReadEmbeddedLyrics(tagged), "[00:01.00]erste Zeile\n[00:02.50]zweite \u00C4");
  EXPECT_EQ(decoders::ReadEmbeddedLyrics(plain), "");
}

TEST_F(TagFormFile, MpegTracksCarryTheEditorSetBeforeTheyWereIdentified) {
  TW_REQUIRE_TOOLS("lame", "sox");
  const std::string path = MakeMp3("song.mp3");
  EXPECT_EQ(mpegogg::ProbeWith(decoders::kMpegDecoder, path)->edit_tags, nullptr);
  decoders::MPEG_SetTagEditor(&FakeEditor);
  EXPECT_EQ(mpegogg::ProbeWith(decoders::kMpegDecoder, path)->edit_tags, &FakeEditor);
  decoders::MPEG_SetTagEditor(nullptr);
}

}  // namespace
