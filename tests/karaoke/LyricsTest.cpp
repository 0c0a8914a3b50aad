#include <gtest/gtest.h>

#include <random>

#include "karaoke/Lyrics.h"

using namespace karaoke;

TEST(Lyrics, ParsesTimesAsTheFileFormatDefines) {
  struct Case {
    const char* line;
    int32_t ms;
  };
  const Case cases[] = {
      {"01:23.4 Hello", 83400},
      {"01:23 Hello", 83000},
      {"1:5.67 x", 65600},  // only the first digit after the full stop counts
      {"1:75 x", 135000},   // seconds have no upper bound
      {" \t2:03.5x", 123500},
      {"1: 5 x", 65000},  // blanks before the seconds are skipped, as a scan would
      {"1:x", 60000},     // a run without leading digits has 0 seconds
      {"0:1.x y", 1000},  // no digit after the full stop: no tenths
      {"-0:30 x", 30000},
      {"35791:23.6 max", 2147483600},
      {"-1:00 x", -1},
      {"99999999:00 x", -1},  // beyond 32 bits
      {"35791:24 x", -1},
      {"99999999999999999999999:00 x", -1},
      {"[01:23.4] x", -1},
      {"1:", -1},
      {"1:   ", -1},
      {"1 :00 x", -1},
      {"x", -1},
      {"", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(Lyrics_ParseTime(c.line), c.ms) << c.line;
}

TEST(Lyrics, TextAfterTimeSkipsExactlyOneSpace) {
  EXPECT_EQ(Lyrics_TextAfterTime("01:23.4 Hello"), "Hello");
  EXPECT_EQ(Lyrics_TextAfterTime("01:23.4  two"), " two");
  EXPECT_EQ(Lyrics_TextAfterTime("01:23.4"), "");
  EXPECT_EQ(Lyrics_TextAfterTime("01:23.4 "), "");
  EXPECT_EQ(MakeLyricEntry(5, std::string(200, 'x')).text, std::string(79, 'x'));
  // The cut never splits a character: 78 ASCII bytes and a two-byte letter keep 78.
  EXPECT_EQ(MakeLyricEntry(5, std::string(78, 'x') + "\xC3\xA9").text, std::string(78, 'x'));
  EXPECT_EQ(MakeLyricEntry(5, "one\ntwo").text, "one");
}

TEST(Lyrics, FormatsTimesWithTenths) {
  EXPECT_EQ(Lyrics_FormatTime(61234), "01:01.2");
  EXPECT_EQ(Lyrics_FormatTime(0), "00:00.0");
  EXPECT_EQ(Lyrics_FormatTime(-5), "00:00.0");
  EXPECT_EQ(Lyrics_FormatTime(6000000), "100:00.0");
  EXPECT_EQ(Lyrics_FormatTime(INT32_MAX), "35791:23.6");
  EXPECT_EQ(Lyrics_ParseTime(Lyrics_FormatTime(2147483600)), 2147483600);
}

TEST(Lyrics, NameForWorksOnTheFileNameOnly) {
  EXPECT_EQ(Lyrics_NameFor("Work/Music/Song.mp3"), "Work/Music/Song.kok");
  EXPECT_EQ(Lyrics_NameFor("Song.mp3"), "Song.kok");
  EXPECT_EQ(Lyrics_NameFor("song"), "song.kok");
  EXPECT_EQ(Lyrics_NameFor(""), "");
  // A full stop in a folder name is never taken for the extension.
  EXPECT_EQ(Lyrics_NameFor("/home/john.doe/Music/Song"), "/home/john.doe/Music/Song.kok");
  EXPECT_EQ(Lyrics_NameFor("/home/john.doe/Music/a.b.flac"), "/home/john.doe/Music/a.b.kok");
  EXPECT_EQ(Lyrics_NameFor("/music/.hidden"), "/music/.hidden.kok");
  // A 40-character name keeps its first 26 characters; the folder is never cut.
  const std::string folder = "/a/very/long/folder.name/that/goes/on/and/on/";
  EXPECT_EQ(Lyrics_NameFor(folder + "abcdefghijklmnopqrstuvwxyz0123456789.mp3"),
            folder + "abcdefghijklmnopqrstuvwxyz.kok");
  EXPECT_EQ(Lyrics_NameFor(folder + "Artist - Title.of.song (live version).ogg"),
            folder + "Artist - Title.of.kok");
  // The cut falls on a character boundary: 25 bytes and a two-byte letter keep 25.
  EXPECT_EQ(Lyrics_NameFor("/m/" + std::string(25, 'x') + "\xC3\xA9tude.mp3"),
            "/m/" + std::string(25, 'x') + ".kok");
  EXPECT_EQ(WithExtension("/m/a.kok", ".lrc"), "/m/a.lrc");
}

namespace {

// The cursor as the karaoke display sees it, worked out independently.
struct OracleCursor {
  int64_t index = -1;  // -1 none, n the end position
  int64_t time = 0;
};

OracleCursor OracleSeek(const std::vector<int32_t>& times, int64_t t) {
  const auto n = static_cast<int64_t>(times.size());
  if (n == 0) return {-1, t};
  int64_t index = 0;
  for (int64_t i = n - 1; i >= 0; --i) {
    if (times[i] < t) {
      index = i;
      break;
    }
  }
  return {index, index + 1 < n ? times[index + 1] : kNever};
}

void ExpectSame(const LyricsList& list, const std::vector<int32_t>& times,
                const OracleCursor& oracle) {
  const LyricEntry* current = Lyrics_Current(&list);
  if (oracle.index < 0 || oracle.index >= static_cast<int64_t>(times.size())) {
    EXPECT_EQ(current, nullptr);
    EXPECT_EQ(Lyrics_CurrentText(&list), "");
  } else {
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current, &list.entries[oracle.index]);
    EXPECT_EQ(Lyrics_CurrentText(&list), list.entries[oracle.index].text);
  }
  EXPECT_EQ(Lyrics_CursorTime(&list), oracle.time);
}

}  // namespace

TEST(Lyrics, SeekAndAdvanceAgreeWithABruteForceOracle) {
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    LyricsList list;
    std::vector<int32_t> times(std::uniform_int_distribution<size_t>(0, 8)(rng));
    for (size_t i = 0; i < times.size(); ++i) {
      times[i] = std::uniform_int_distribution<int32_t>(0, 10)(rng) * 100;  // unsorted, repeats
      Lyrics_Append(list, times[i], "line " + std::to_string(i));
    }
    const int64_t t = std::uniform_int_distribution<int64_t>(-100, 1200)(rng);
    Lyrics_Seek(&list, t);
    OracleCursor oracle = OracleSeek(times, t);
    ExpectSame(list, times, oracle);
    for (int step = 0; step < 10; ++step) {
      const auto n = static_cast<int64_t>(times.size());
      const bool moved = oracle.index >= 0 && oracle.index < n;
      oracle.index = moved ? oracle.index + 1 : -1;
      if (moved) oracle.time = oracle.index < n ? times[oracle.index] : kNever;
      EXPECT_EQ(Lyrics_Advance(&list), moved);
      ExpectSame(list, times, oracle);
    }
  }
  EXPECT_EQ(Lyrics_Current(nullptr), nullptr);
  EXPECT_EQ(Lyrics_CursorTime(nullptr), 0);
  EXPECT_FALSE(Lyrics_Advance(nullptr));
}
