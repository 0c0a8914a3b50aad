#include <gtest/gtest.h>

#include <random>

#include "karaoke/LyricsFile.h"
#include "karaoke/LyricsTestSupport.h"
#include "support/SizeLimitedChild.h"
#include "support/TestSupport.h"

using namespace karaoke;
using lyricstest::Describe;
using lyricstest::ReadFromText;
using testsupport::ReadTextFile;
using testsupport::TempDir;
using testsupport::WriteTextFile;

TEST(LyricsFile, WritesTheGoldenFile) {
  TempDir dir;
  LyricsList list;
  Lyrics_Append(list, 61234, "Hello");
  Lyrics_Append(list, 0, "");
  Lyrics_Append(list, 6000000, "  spaced");
  Lyrics_Append(list, 500, "back in time");
  list.entries.push_back({-20, "negative\nsecond line"});  // filled directly
  const std::string path = dir.File("song.kok");
  ASSERT_EQ(Lyrics_Write(&list, path), 1);
  EXPECT_EQ(ReadTextFile(path),
            "01:01.2 Hello\n"
            "00:00.0 \n"
            "100:00.0   spaced\n"
            "00:00.5 back in time\n"
            "00:00.0 negative\n");
  EXPECT_EQ(Lyrics_Write(nullptr, path), 0);
}

TEST(LyricsFile, ReadsLyricLinesAndSkipsEverythingElse) {
  TempDir dir;
  const std::string long_text(200, 't');
  // Cut at 255 characters, the tail of this line would read as a line at 1:00.
  const std::string split_bait = "00:04.0 " + std::string(247, 'a') + "1:00 tail";
  const std::string path = dir.File("odd.kok");
  WriteTextFile(path,
                "[ar:Some Artist]\n"
                "[00:01.00] an LRC line\n"
                "garbage\n"
                "01:23.4 Hello\n"
                "1:5.67 x\n"
                "01:23.4  two spaces\n"
                "02:00.0\n"
                "-1:00 negative\n"
                "99999999:00 too big\n"
                "00:03.0 crlf\r\n"
                "00:05.0 " +
                    long_text + "\n" + split_bait + "\n" +
                    "[offset:100]\n"
                    "00:06.0 no final line feed");
  const auto list = Lyrics_Read(path);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(Describe(*list),
            "83400|Hello\n"
            "65600|x\n"
            "83400| two spaces\n"
            "120000|\n"
            "3000|crlf\r\n"
            "5000|" +
                long_text.substr(0, 79) + "\n" + "4000|" + std::string(79, 'a') + "\n" +
                "6000|no final line feed\n");
  EXPECT_EQ(list->tags, std::vector<std::string>{"[ar:Some Artist]"});
  EXPECT_EQ(Lyrics_Current(list.get()), nullptr);

  EXPECT_EQ(Lyrics_Read(dir.File("missing.kok")), nullptr);
  WriteTextFile(dir.File("empty.kok"), "no lyric here\n");
  const auto empty = Lyrics_Read(dir.File("empty.kok"));
  ASSERT_NE(empty, nullptr);  // loaded, but empty
  EXPECT_TRUE(empty->entries.empty());
}

TEST(LyricsFile, RandomListsRoundTrip) {
  std::mt19937 rng(99);
  const std::string chars = "ab Z09:.[]\t\r\xC3\xA9\xE2\x82\xAC-";
  for (int round = 0; round < 500; ++round) {
    LyricsList list;
    for (int n = std::uniform_int_distribution<int>(0, 12)(rng); n > 0; --n) {
      const int32_t time = std::uniform_int_distribution<int32_t>(0, INT32_MAX / 100)(rng) * 100;
      std::string text;
      for (int k = std::uniform_int_distribution<int>(0, 90)(rng); k > 0; --k) {
        text.push_back(chars[std::uniform_int_distribution<size_t>(0, chars.size() - 1)(rng)]);
      }
      Lyrics_Append(list, time, text);
    }
    const std::string text = Lyrics_Format(list);
    const auto read = ReadFromText(Lyrics_ReadStream, text);
    EXPECT_EQ(Describe(*read), Describe(list)) << text;
    EXPECT_EQ(Lyrics_Format(*read), text);
  }
}

TEST(LyricsFile, TagLinesAreKeptAheadOfTheEntries) {
  const auto list =
      ReadFromText(Lyrics_ReadStream, "00:01.0 x\n[ti:Title]\r\n[offset:+100]\n[al:Album]\n");
  EXPECT_EQ(Lyrics_Format(*list), "[ti:Title]\n[al:Album]\n00:01.0 x\n");
  EXPECT_TRUE(Lyrics_IsHeaderTag("[by:me]"));
  EXPECT_FALSE(Lyrics_IsHeaderTag("[offset:5]"));
  EXPECT_FALSE(Lyrics_IsHeaderTag("[00:01.00]"));
  EXPECT_FALSE(Lyrics_IsHeaderTag("[ar:x] trailing text"));
}

TEST(LyricsFile, ImportsPlainTextWithTimeZero) {
  TempDir dir;
  const std::string path = dir.File("words.txt");
  WriteTextFile(path, "  first line\n\n   \n\tTabbed\nsecond\r\n" + std::string(200, 'w'));
  LyricsList list;
  Lyrics_Append(list, 100, "replaced");
  ASSERT_TRUE(Lyrics_ImportText(list, path));
  EXPECT_EQ(Describe(list),
            "0|first line\n0|\tTabbed\n0|second\r\n0|" + std::string(79, 'w') + "\n");
  EXPECT_FALSE(Lyrics_ImportText(list, dir.File("missing.txt")));
  EXPECT_EQ(list.entries.size(), 4u);  // unchanged
}

TEST(LyricsFile, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
  TempDir dir;
  const std::string path = dir.File("song.kok");
  WriteTextFile(path, "00:01.0 old\n");
  LyricsList list;
  for (int i = 0; i < 2000; ++i) Lyrics_Append(list, i * 100, "line number " + std::to_string(i));
  EXPECT_FALSE(
      testsupport::SaveInSizeLimitedChild([&] { return Lyrics_Write(&list, path) == 1; }, 4096));
  EXPECT_EQ(ReadTextFile(path), "00:01.0 old\n");
  EXPECT_EQ(testsupport::CountFolderEntries(dir.path()), 1u);
}
