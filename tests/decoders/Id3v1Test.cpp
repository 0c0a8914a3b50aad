// ID3v1 tags: the block layout, Latin-1 at the edge, genres, and safe writing,
// judged against lame (writer) and mutagen (reader).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "MpegOggSupport.h"
#include "decoders/Id3v1.h"

namespace {

using decoders::ID3Tag;
using mpegogg::RunOk;
using testsupport::ReadBinaryFile;
using testsupport::ShellQuote;
using testsupport::TempDir;

std::string BlockText(const std::array<uint8_t, 128>& block, size_t at, size_t width) {
  return std::string(reinterpret_cast<const char*>(block.data()) + at, width);
}

TEST(Id3v1, FieldsArePaddedCutAndConvertedBetweenLatin1AndUtf8) {
  ID3Tag tag;
  tag.title = "Song";
  tag.artist = std::string(30, 'A');
  tag.album = std::string(35, 'B');
  tag.year = "2001";
  tag.comment = "Caf\u00E9 \u65E5\u672C";  // é is Latin-1, the two Kanji are not
  const auto block = decoders::ID3_Encode(tag);
  EXPECT_EQ(BlockText(block, 0, 3), "TAG");
  EXPECT_EQ(BlockText(block, 3, 30), "Song" + std::string(26, ' '));
  EXPECT_EQ(BlockText(block, 33, 30), std::string(30, 'A'));
  EXPECT_EQ(BlockText(block, 63, 30), std::string(30, 'B'));
  EXPECT_EQ(BlockText(block, 93, 4), "2001");
  EXPECT_EQ(BlockText(block, 97, 30), "Caf\xE9 ??" + std::string(23, ' '));
  ID3Tag back;
  ASSERT_TRUE(decoders::ID3_Decode(block.data(), &back));
  EXPECT_EQ(back.title, "Song");
  EXPECT_EQ(back.artist, std::string(30, 'A'));
  EXPECT_EQ(back.album, std::string(30, 'B'));
  EXPECT_EQ(back.comment, "Caf\u00E9 ??");
  auto no_tag = block;
  no_tag[0] = 'X';
  EXPECT_FALSE(decoders::ID3_Decode(no_tag.data(), &back));
}

TEST(Id3v1, GenresAndTrackNumbersSurviveAWriteTheUserDidNotTouch) {
  EXPECT_STREQ(decoders::ID3_GenreName(17), "Rock");
  EXPECT_STREQ(decoders::ID3_GenreName(200), "");
  EXPECT_EQ(decoders::ID3_GenreNumber("Rock"), 17);
  EXPECT_EQ(decoders::ID3_GenreNumber("rock"), 255);
  EXPECT_EQ(decoders::ID3_GenreNumber(""), 255);
  EXPECT_EQ(decoders::ID3_GenreNumber("Trash Metal"), 144);

  auto block = decoders::ID3_Encode(ID3Tag{});
  block[125] = 0;
  block[126] = 9;    // ID3v1.1 track
  block[127] = 200;  // outside the table
  ID3Tag tag;
  ASSERT_TRUE(decoders::ID3_Decode(block.data(), &tag));
  EXPECT_EQ(tag.track, 9);
  EXPECT_EQ(tag.genre, "");
  EXPECT_EQ(tag.genre_number, 145u);
  tag.title = "Changed";
  tag.comment = std::string(30, 'c');
  const auto rewritten = decoders::ID3_Encode(tag);
  EXPECT_EQ(rewritten[125], 0);
  EXPECT_EQ(rewritten[126], 9);
  EXPECT_EQ(rewritten[127], 200);
  EXPECT_EQ(BlockText(rewritten, 97, 28), std::string(28, 'c'));
  tag.genre = "Rock";
  EXPECT_EQ(decoders::ID3_Encode(tag)[127], 17);
  tag.genre = "rock";
  EXPECT_EQ(decoders::ID3_Encode(tag)[127], 255);
}

class Id3v1File : public ::testing::Test {
 protected:
  std::string MakeMp3(const std::string& name, const std::string& lame_options) {
    const std::string source = mpegogg::MakeSource(dir_, name + ".wav", 44100, 1, 0.5);
    const std::string path = dir_.File(name);
    RunOk("lame --quiet -b 64 " + lame_options + " " + ShellQuote(source) + " " + ShellQuote(path));
    return path;
  }
  TempDir dir_;
};

TEST_F(Id3v1File, TagsWrittenByLameReadRight) {
  TW_REQUIRE_TOOLS("lame", "sox");
  const std::string path =
      MakeMp3("lame.mp3",
              "--id3v1-only --tt 'Title of the song' --ta 'The Artist' --tl 'An Album' "
              "--ty 1987 --tc 'A comment' --tg 'Trip-Hop' --tn 12");
  ID3Tag tag;
  ASSERT_EQ(decoders::ID3_Read(path, &tag), decoders::kId3Ok);
  EXPECT_EQ(tag.title, "Title of the song");
  EXPECT_EQ(tag.artist, "The Artist");
  EXPECT_EQ(tag.album, "An Album");
  EXPECT_EQ(tag.year, "1987");
  EXPECT_EQ(tag.comment, "A comment");
  EXPECT_EQ(tag.genre, "Trip-Hop");
  EXPECT_EQ(tag.genre_number, 27u);
  EXPECT_EQ(tag.track, 12);

  EXPECT_EQ(decoders::ID3_Read(dir_.File("missing.mp3"), &tag), decoders::kId3NoFile);
  EXPECT_EQ(decoders::ID3_ReadFromFile(nullptr, &tag), decoders::kId3NoFile);
  testsupport::WriteBinaryFile(dir_.File("short"), {'T', 'A', 'G'});
  EXPECT_EQ(decoders::ID3_Read(dir_.File("short"), &tag), decoders::kId3NoTag);
  EXPECT_EQ(decoders::ID3_Read(MakeMp3("plain.mp3", ""), &tag), decoders::kId3NoTag);
}

TEST_F(Id3v1File, OurTagReadsBackWithMutagenAndIsAddedOnlyOnce) {
  TW_REQUIRE_TOOLS("lame", "sox");
  const std::string path = MakeMp3("ours.mp3", "");
  const size_t size = ReadBinaryFile(path).size();
  ID3Tag tag;
  tag.title = "Na\u00EFve Song";
  tag.artist = "Band";
  tag.album = "Record";
  tag.year = "2020";
  tag.comment = "Hello";
  tag.genre = "Jazz";
  tag.track = 3;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(decoders::ID3_Write(path, tag), decoders::kId3Ok);
    EXPECT_EQ(ReadBinaryFile(path).size(), size + 128);
  }
  const std::string script =
      "import sys\nfrom mutagen.id3 import ParseID3v1\n"
      "f = ParseID3v1(open(sys.argv[1], 'rb').read()[-128:])\n"
      "for k in ('TIT2', 'TPE1', 'TALB', 'TDRC', 'TRCK'): print(k, f[k])\n"
      "print('TCON', f['TCON'].genres[0])\nprint('COMM', f['COMM'].text[0])\n";
  testsupport::WriteTextFile(dir_.File("read.py"), script);
  EXPECT_EQ(RunOk("/usr/bin/python3 " + ShellQuote(dir_.File("read.py")) + " " + ShellQuote(path)),
            "TIT2 Na\u00EFve Song\nTPE1 Band\nTALB Record\nTDRC 2020\nTRCK 3\nTCON Jazz\n"
            "COMM Hello\n");
  EXPECT_EQ(decoders::ID3_Write(dir_.File("missing.mp3"), tag), decoders::kId3NoFile);
}

// Appends a tag in a child whose file size limit stops the write part way.
int WriteWithSizeLimit(const std::string& path, rlim_t limit) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &rl);
    ::_exit(-decoders::ID3_Write(path, ID3Tag{}));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? -WEXITSTATUS(status) : 99;
}

TEST_F(Id3v1File, AFailedAppendIsReportedAndCutBack) {
  TW_REQUIRE_TOOLS("lame", "sox");
  const std::string path = MakeMp3("full.mp3", "");
  const std::vector<uint8_t> before = ReadBinaryFile(path);
  EXPECT_EQ(WriteWithSizeLimit(path, before.size() + 50), decoders::kId3WriteFailed);
  EXPECT_EQ(ReadBinaryFile(path), before);
  EXPECT_EQ(WriteWithSizeLimit(path, before.size() + 200), decoders::kId3Ok);
  EXPECT_EQ(ReadBinaryFile(path).size(), before.size() + 128);
}

}  // namespace
