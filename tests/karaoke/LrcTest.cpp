#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "karaoke/Lrc.h"
#include "karaoke/LyricsFile.h"
#include "karaoke/LyricsTestSupport.h"
#include "support/TestSupport.h"

using namespace karaoke;
using lyricstest::Describe;
using lyricstest::ReadFromText;
using testsupport::ReadTextFile;
using testsupport::TempDir;
using testsupport::WriteTextFile;

namespace {

std::unique_ptr<LyricsList> ReadLrcText(const TempDir& dir, const std::string& text) {
  WriteTextFile(dir.File("in.lrc"), text);
  return Lrc_Read(dir.File("in.lrc"));
}

// The start times (ms) and texts of the subtitles ffmpeg makes of an LRC file.
std::string FfmpegCues(const std::string& lrc_path) {
  const auto result = testsupport::Run("ffmpeg -v error -i " + testsupport::ShellQuote(lrc_path) +
                                       " -f srt - 2>/dev/null");
  std::istringstream in(result.out);
  std::string line, out;
  while (std::getline(in, line)) {
    int h, m, s, ms;
    if (std::sscanf(line.c_str(), "%d:%d:%d,%d -->", &h, &m, &s, &ms) == 4) {
      std::string text;
      std::getline(in, text);
      out += std::to_string(((h * 60 + m) * 60 + s) * 1000 + ms) + "|" + text + "\n";
    }
  }
  return out;
}

}  // namespace

TEST(Lrc, ParsesTimeTagsOfEveryCommonPrecision) {
  EXPECT_EQ(Lrc_ParseTimeTag("00:12.3"), 12300);
  EXPECT_EQ(Lrc_ParseTimeTag("00:12.34"), 12340);
  EXPECT_EQ(Lrc_ParseTimeTag("00:12.345"), 12345);
  EXPECT_EQ(Lrc_ParseTimeTag("00:12.3456"), 12345);
  EXPECT_EQ(Lrc_ParseTimeTag("00:12:34"), 12340);
  EXPECT_EQ(Lrc_ParseTimeTag("1:2"), 62000);
  EXPECT_EQ(Lrc_ParseTimeTag("123:00.00"), 7380000);
  EXPECT_EQ(Lrc_ParseTimeTag("99999999:00"), -1);
  EXPECT_EQ(Lrc_ParseTimeTag("-1:00"), -1);
  EXPECT_EQ(Lrc_ParseTimeTag("12."), -1);
  EXPECT_EQ(Lrc_ParseTimeTag("ar:x"), -1);
  EXPECT_EQ(Lrc_ParseTimeTag("00:12.34 "), -1);
  EXPECT_EQ(Lrc_ParseTimeTag(""), -1);
}

TEST(Lrc, ImportsTheWildFormsToTheRightTimes) {
  TempDir dir;
  const auto list = ReadLrcText(dir,
                                "\xEF\xBB\xBF[ti:Song]\r\n"
                                "[ar:Artist]\r\n"
                                "[al:Album]\r\n"
                                "[by:someone]\r\n"
                                "[offset:+500]\r\n"
                                "[00:12.00][00:45.30]Chorus\r\n"
                                "[00:20.5]Verse one\r\n"
                                "[01:02.345]three digits\r\n"
                                "[00:30]no fraction\r\n"
                                "[00:31:50]colon fraction\r\n"
                                "[00:05.00] leading space\r\n"
                                "[xx:yy]not a time\r\n"
                                "plain text\r\n"
                                "[00:40.00][not a tag]kept\r\n"
                                "[03:00.00]\r\n");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(Describe(*list),
            "4500| leading space\n"
            "11500|Chorus\n"
            "20000|Verse one\n"
            "29500|no fraction\n"
            "31000|colon fraction\n"
            "39500|[not a tag]kept\n"
            "44800|Chorus\n"
            "61845|three digits\n"
            "179500|\n");
  EXPECT_EQ(list->tags,
            (std::vector<std::string>{"[ti:Song]", "[ar:Artist]", "[al:Album]", "[by:someone]"}));

  EXPECT_EQ(Describe(*ReadLrcText(dir, "[offset:-250]\n[00:01.00]a\n")), "1250|a\n");
  EXPECT_EQ(Describe(*ReadLrcText(dir, "[00:01.00]a\n[offset: +5000]\n")), "0|a\n");
  EXPECT_EQ(Describe(*ReadLrcText(dir, "[offset:-99999999999999]\n[00:01.00]a\n")),
            "2147483647|a\n");
  EXPECT_EQ(Lrc_Read(dir.File("missing.lrc")), nullptr);
}

TEST(Lrc, AgreesWithFfmpegOnTheTimesOfAWildFile) {
  TW_REQUIRE_TOOLS("ffmpeg");
  TempDir dir;
  const std::string path = dir.File("wild.lrc");
  WriteTextFile(path,
                "[ti:Song]\n[ar:Artist]\n"
                "[00:12.00][00:45.30]Chorus\n"
                "[00:20.5]Verse one\n"
                "[01:02.345]three digits\n"
                "[00:30]no fraction\n"
                "[00:05.00]first\n"
                "[12:03.07]late\n");
  const auto list = Lrc_Read(path);
  ASSERT_NE(list, nullptr);
  const std::string cues = FfmpegCues(path);
  ASSERT_FALSE(cues.empty());
  EXPECT_EQ(Describe(*list), cues);
}

TEST(Lrc, KokToLrcToKokIsLosslessAtATenthOfASecond) {
  TempDir dir;
  std::mt19937 rng(5);
  const std::string chars = "ab Z09:.]()\t\xC3\xA9-";
  const std::string kok = dir.File("song.kok");
  for (int round = 0; round < 30; ++round) {
    LyricsList list;
    if (round % 2) list.tags = {"[ar:Artist " + std::to_string(round) + "]", "[ti:Title]"};
    int32_t time = 0;
    for (int n = std::uniform_int_distribution<int>(1, 15)(rng); n > 0; --n) {
      time += std::uniform_int_distribution<int32_t>(0, 400000)(rng) / 100 * 100;
      std::string text;
      for (int k = std::uniform_int_distribution<int>(0, 85)(rng); k > 0; --k) {
        text.push_back(chars[std::uniform_int_distribution<size_t>(0, chars.size() - 1)(rng)]);
      }
      Lyrics_Append(list, time, text);
    }
    ASSERT_EQ(Lyrics_Write(&list, kok), 1);
    const std::string before = ReadTextFile(kok);
    std::string error;
    ASSERT_TRUE(ConvertKokToLrc(kok, &error)) << error;
    ASSERT_TRUE(ConvertLrcToKok(dir.File("song.lrc"), &error)) << error;
    EXPECT_EQ(ReadTextFile(kok), before);
  }
}

TEST(Lrc, ConvertersWriteBesideTheSourceAndReportFailures) {
  TempDir dir;
  const std::string long_lrc = dir.File("A rather long song title of forty chars.lrc");
  WriteTextFile(long_lrc, "[00:01.234]one\n");
  std::string error;
  ASSERT_TRUE(ConvertLrcToKok(long_lrc, &error)) << error;
  // Written where the karaoke display looks for the song's lyrics.
  EXPECT_EQ(ReadTextFile(dir.File("A rather long song title o.kok")), "00:01.2 one\n");

  EXPECT_FALSE(ConvertLrcToKok(dir.File("missing.lrc"), &error));
  EXPECT_NE(error.find("missing.lrc"), std::string::npos);
  WriteTextFile(dir.File("untimed.lrc"), "[ar:x]\nwords only\n");
  EXPECT_FALSE(ConvertLrcToKok(dir.File("untimed.lrc"), &error));
  EXPECT_FALSE(std::filesystem::exists(dir.File("untimed.kok")));
  WriteTextFile(dir.File("same.kok"), "[00:01.00]x\n");
  EXPECT_FALSE(ConvertLrcToKok(dir.File("same.kok"), &error));  // would replace itself
  EXPECT_EQ(ReadTextFile(dir.File("same.kok")), "[00:01.00]x\n");
  EXPECT_FALSE(ConvertKokToLrc(dir.File("missing.kok"), nullptr));
}
