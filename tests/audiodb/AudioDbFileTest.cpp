#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "audiodb/AudioDbFile.h"
#include "support/SizeLimitedChild.h"
#include "support/TestSupport.h"

using namespace audiodb;
using testsupport::ReadTextFile;
using testsupport::TempDir;
using testsupport::WriteTextFile;

namespace {

// Reads text as a database file into a fresh database; the result code goes to *result.
std::unique_ptr<AudioDatabase> ReadText(const TempDir& dir, const std::string& text, int* result) {
  const std::string path = dir.File("in.aub");
  WriteTextFile(path, text);
  auto db = AudioDb_Create();
  *result = AudioDb_Read(*db, path);
  return db;
}

std::string NameOrNone(NameRef name) { return name ? *name : std::string("<none>"); }

// Every title as one comparable line, names spelled out.
std::string Describe(const AudioDatabase& db) {
  std::string out;
  for (int64_t i = 1; i <= AudioDb_TitleCount(db); ++i) {
    const TitleRecord& t = *AudioDb_TitleAt(db, i);
    out += NameOrNone(t.genre) + "|" + NameOrNone(t.artist) + "|" + NameOrNone(t.album) + "|" +
           t.title + "|" + t.path + "|" + std::to_string(t.length) + "|" + t.comment + "|" +
           std::to_string(t.year) + "\n";
  }
  return out;
}

std::string RandomText(std::mt19937& rng, bool allow_quote) {
  static const std::string kChars = "abcXYZ 019=;[]#\t\"\xC3\xA9/.-";
  std::uniform_int_distribution<size_t> length(0, 12), pick(0, kChars.size() - 1);
  std::string text;
  for (size_t n = length(rng); n > 0; --n) {
    const char c = kChars[pick(rng)];
    if (c != '"' || allow_quote) text.push_back(c);
  }
  return text;
}

NameRef RandomRef(std::mt19937& rng, const AudioDatabase& db, int list) {
  const int64_t count = AudioDb_NameCount(db, list);
  return AudioDb_NameAt(db, list, std::uniform_int_distribution<int64_t>(0, count)(rng));
}

std::unique_ptr<AudioDatabase> RandomDatabase(std::mt19937& rng) {
  auto db = AudioDb_Create();
  for (int list = 0; list < kNameListCount; ++list) {
    for (int n = std::uniform_int_distribution<int>(0, 8)(rng); n > 0; --n) {
      AudioDb_AddName(*db, list, RandomText(rng, true));  // duplicates are refused, fine
    }
  }
  for (int n = std::uniform_int_distribution<int>(0, 20)(rng); n > 0; --n) {
    TitleRecord t;
    t.genre = RandomRef(rng, *db, kGenreList);
    t.artist = RandomRef(rng, *db, kArtistList);
    t.album = RandomRef(rng, *db, kAlbumList);
    t.title = RandomText(rng, false);
    t.path = RandomText(rng, false);
    t.comment = RandomText(rng, false);
    t.length = std::uniform_int_distribution<int32_t>(0, INT32_MAX)(rng);
    t.year = std::uniform_int_distribution<int32_t>(INT32_MIN, INT32_MAX)(rng);
    EXPECT_EQ(AudioDb_AddTitle(*db, t), kAudioDbOk);
  }
  return db;
}

constexpr const char* kGolden =
    "[GENRE]\n"
    "1=Rock\n"
    "2=Jazz\n"
    "[ARTIST]\n"
    "1=The Band\n"
    "[ALBUM]\n"
    "[TITLE]\n"
    "1 1 0 \"Song One\" \"/music/one.mp3\" 215 \"\" 1999\n"
    "0 0 0 \"Two\" \"/m/two.wav\" 0 \"live take\" 0\n";

}  // namespace

TEST(AudioDbFile, WritesAndReadsTheGoldenFile) {
  TempDir dir;
  auto db = AudioDb_Create();
  EXPECT_EQ(AudioDb_Format(*db), "[GENRE]\n[ARTIST]\n[ALBUM]\n[TITLE]\n");
  AudioDb_AddName(*db, kGenreList, "Rock");
  AudioDb_AddName(*db, kGenreList, "Jazz");
  AudioDb_AddName(*db, kArtistList, "The Band");
  TitleRecord one;
  one.genre = AudioDb_NameAt(*db, kGenreList, 1);
  one.artist = AudioDb_NameAt(*db, kArtistList, 1);
  one.title = "Song One";
  one.path = "/music/one.mp3";
  one.length = 215;
  one.year = 1999;
  AudioDb_AddTitle(*db, one);
  TitleRecord two;
  two.title = "Two";
  two.path = "/m/two.wav";
  two.comment = "live take";
  AudioDb_AddTitle(*db, two);
  const std::string path = dir.File("db.aub");
  ASSERT_EQ(AudioDb_Write(*db, path), kAudioDbOk);
  EXPECT_EQ(ReadTextFile(path), kGolden);

  int result = -1;
  auto read = ReadText(dir, kGolden, &result);
  EXPECT_EQ(result, kAudioDbOk);
  EXPECT_EQ(Describe(*read), Describe(*db));
  EXPECT_EQ(Describe(*read),
            "Rock|The Band|<none>|Song One|/music/one.mp3|215||1999\n"
            "<none>|<none>|<none>|Two|/m/two.wav|0|live take|0\n");
  EXPECT_EQ(AudioDb_NameCount(*read, kGenreList), 2);
  EXPECT_EQ(AudioDb_Format(*read), kGolden);
}

TEST(AudioDbFile, ReadsTheOddFormsOfTheSyntax) {
  TempDir dir;
  int result = -1;
  auto db = ReadText(dir,
                     "1=before any header\n"
                     "[genre]\n"
                     "; 2=a comment\n"
                     "  \t \n"
                     "\n"
                     "1=Rock\n"
                     " 2 = Jazz Fusion \n"
                     "no equals sign\n"
                     "[Unknown]\n"
                     "1=ignored\n"
                     "[ARTIST\n"
                     "1=still unknown\n"
                     "[ARTIST]\n"
                     "1=A\n"
                     "[ALBUM]\n"
                     "[TITLE]\n"
                     "0x1 01 0 \"T\" \"/p\" 0x10 \"c\" 2001\n"
                     "2 1 7 bare /path/x -5 \"unterminated comment\n"
                     "1 1\n"
                     "0 0 0 \"say \"hi\"\" \"/q\" 3 \"\" 0\n"
                     "99999999999999999999999 -1 010 \"big\" \"/b\" 99999999999 \"\" "
                     "-99999999999\n",
                     &result);
  EXPECT_EQ(result, kAudioDbOk);
  EXPECT_EQ(*AudioDb_NameAt(*db, kGenreList, 2), " Jazz Fusion ");
  EXPECT_EQ(AudioDb_NameCount(*db, kArtistList), 1);
  EXPECT_EQ(Describe(*db),
            "Rock|A|<none>|T|/p|16|c|2001\n"
            " Jazz Fusion |A|<none>|bare|/path/x|0|unterminated comment|0\n"
            "Rock|A|<none>|||0||0\n"
            // A quote inside a text ends it early; the rest shifts into later fields.
            "<none>|<none>|<none>|say |hi\"\"|0|/q|3\n"
            "<none>|<none>|<none>|big|/b|2147483647||-2147483648\n");
}

TEST(AudioDbFile, StopsAtTheFirstBadLineKeepingWhatCameBefore) {
  TempDir dir;
  struct Case {
    const char* text;
    int code;
    int64_t genres;
  };
  const Case cases[] = {
      {"[GENRE]\n1=Rock\n2=ROCK\n3=Pop\n", kAudioDbNameExists, 1},
      {"[GENRE]\n1=a\n999999999=b\n", kAudioDbNoSuchItem, 1},
      {"[GENRE]\n1=a\n99999999999999999999999999=b\n", kAudioDbNoSuchItem, 1},
      {"[GENRE]\n1=a\n3=c\n2=b\n", kAudioDbNoSuchItem, 3},
      {"[GENRE]\n0=a\n", kAudioDbNoSuchItem, 0},
      {"[GENRE]\nx=a\n", kAudioDbNoSuchItem, 0},
      {"[GENRE]\n-4=a\n", kAudioDbNoSuchItem, 0},
  };
  for (const Case& c : cases) {
    int result = -1;
    auto db = ReadText(dir, c.text, &result);
    EXPECT_EQ(result, c.code) << c.text;
    EXPECT_EQ(AudioDb_NameCount(*db, kGenreList), c.genres) << c.text;
  }
  auto db = AudioDb_Create();
  EXPECT_EQ(AudioDb_Read(*db, dir.File("missing.aub")), kAudioDbFileError);
}

TEST(AudioDbFile, CrlfFilesKeepTheirCarriageReturnsAndRoundTrip) {
  TempDir dir;
  int result = -1;
  auto db = ReadText(dir,
                     "[GENRE]\r\n1=Rock\r\n[TITLE]\r\n1 0 0 \"t\" \"/p\" 5 \"c\" 1999\r\n"
                     "0 0 0 \"u\" \"/q\" 1 \"open comment\r\n",
                     &result);
  EXPECT_EQ(result, kAudioDbOk);
  EXPECT_EQ(Describe(*db),
            "Rock\r|<none>|<none>|t|/p|5|c|1999\n"
            "<none>|<none>|<none>|u|/q|1|open comment\r|0\n");
  const std::string path = dir.File("out.aub");
  ASSERT_EQ(AudioDb_Write(*db, path), kAudioDbOk);
  auto again = AudioDb_Create();
  EXPECT_EQ(AudioDb_Read(*again, path), kAudioDbOk);
  EXPECT_EQ(Describe(*again), Describe(*db));
}

TEST(AudioDbFile, LongLinesAndFarPositionsStayCheap) {
  TempDir dir;
  const std::string long_name(5000, 'n');
  int result = -1;
  auto db = ReadText(dir, "[ARTIST]\n1=" + long_name + "\n", &result);
  EXPECT_EQ(result, kAudioDbOk);
  EXPECT_EQ(*AudioDb_NameAt(*db, kArtistList, 1), long_name);
  EXPECT_EQ(AudioDb_NameCount(*db, kArtistList), 1);

  // A position beyond anything the file could hold is refused, not padded.
  const auto start = std::chrono::steady_clock::now();
  db = ReadText(dir, "[ALBUM]\n1000000=x\n", &result);
  EXPECT_EQ(result, kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_NameCount(*db, kAlbumList), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // The bound stops padding only: a short file may still rename a name read before.
  for (int i = 0; i < 60; ++i) AudioDb_AddName(*db, kAlbumList, "album " + std::to_string(i));
  WriteTextFile(dir.File("short.aub"), "[ALBUM]\n50=renamed\n");
  EXPECT_EQ(AudioDb_Read(*db, dir.File("short.aub")), kAudioDbOk);
  EXPECT_EQ(*AudioDb_NameAt(*db, kAlbumList, 50), "renamed");
}

TEST(AudioDbFile, EmptySlotsSurviveAWriteAndRead) {
  TempDir dir;
  int result = -1;
  auto db = ReadText(dir, "[GENRE]\n1=a\n4=d\n[TITLE]\n4 0 0 \"t\" \"/t\" 1 \"\" 0\n", &result);
  ASSERT_EQ(result, kAudioDbOk);
  const std::string path = dir.File("gaps.aub");
  ASSERT_EQ(AudioDb_Write(*db, path), kAudioDbOk);
  auto again = AudioDb_Create();
  ASSERT_EQ(AudioDb_Read(*again, path), kAudioDbOk);
  EXPECT_EQ(AudioDb_NameCount(*again, kGenreList), 4);
  EXPECT_EQ(AudioDb_NameAt(*again, kGenreList, 2), nullptr);
  EXPECT_EQ(Describe(*again), "d|<none>|<none>|t|/t|1||0\n");
  EXPECT_EQ(AudioDb_Format(*again), AudioDb_Format(*db));
}

TEST(AudioDbFile, RandomDatabasesRoundTrip) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 300; ++round) {
    auto db = RandomDatabase(rng);
    std::string text = AudioDb_Format(*db);
    std::FILE* stream = ::fmemopen(text.data(), text.size(), "rb");
    auto read = AudioDb_Create();
    ASSERT_EQ(AudioDb_ReadStream(*read, stream, kMaxNameSlots), kAudioDbOk) << text;
    std::fclose(stream);
    EXPECT_EQ(Describe(*read), Describe(*db));
    for (int list = 0; list < kNameListCount; ++list) {
      ASSERT_EQ(AudioDb_NameCount(*read, list), AudioDb_NameCount(*db, list));
      for (int64_t i = 1; i <= AudioDb_NameCount(*db, list); ++i) {
        EXPECT_EQ(*AudioDb_NameAt(*read, list, i), *AudioDb_NameAt(*db, list, i));
      }
    }
  }
}

TEST(AudioDbFile, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
  TempDir dir;
  const std::string path = dir.File("db.aub");
  WriteTextFile(path, kGolden);
  auto db = AudioDb_Create();
  for (int i = 0; i < 3000; ++i) {
    TitleRecord t;
    t.title = "title number " + std::to_string(i);
    t.path = "/music/" + std::to_string(i) + ".mp3";
    AudioDb_AddTitle(*db, t);
  }
  const bool saved =
      testsupport::SaveInSizeLimitedChild([&] { return AudioDb_Write(*db, path) == 0; }, 4096);
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadTextFile(path), kGolden);
  EXPECT_EQ(testsupport::CountFolderEntries(dir.path()), 1u);
}

TEST(AudioDbFile, FirstSaveAfterAnInterruptedReadKeepsABackup) {
  TempDir dir;
  const std::string path = dir.File("db.aub");
  const std::string original = "[GENRE]\n1=a\n2=A\n3=lost past the bad line\n";
  WriteTextFile(path, original);
  auto db = AudioDb_Create();
  ASSERT_EQ(AudioDb_Read(*db, path), kAudioDbNameExists);
  ASSERT_EQ(AudioDb_Write(*db, path), kAudioDbOk);
  EXPECT_EQ(ReadTextFile(path + ".bak"), original);
  EXPECT_EQ(ReadTextFile(path), "[GENRE]\n1=a\n[ARTIST]\n[ALBUM]\n[TITLE]\n");
  std::filesystem::remove(path + ".bak");
  ASSERT_EQ(AudioDb_Write(*db, path), kAudioDbOk);  // only the first save keeps one
  EXPECT_FALSE(std::filesystem::exists(path + ".bak"));
}

TEST(AudioDbFile, ProgDirNamesTheUserDataFolder) {
  TempDir dir;
  const std::string home = dir.File("home/tunewright");
  ::setenv("TUNEWRIGHT_HOME", home.c_str(), 1);
  EXPECT_EQ(AudioDb_SettingsPath(), home + "/Tunewright.aub");
  auto db = AudioDb_Create();
  AudioDb_AddName(*db, kGenreList, "Rock");
  EXPECT_EQ(AudioDb_Write(*db, "PROGDIR:Tunewright.aub"), kAudioDbOk);
  auto read = AudioDb_Create();
  EXPECT_EQ(AudioDb_Read(*read, "PROGDIR:Tunewright.aub"), kAudioDbOk);
  EXPECT_EQ(AudioDb_FindName(*read, kGenreList, "rock"), 1);
  ::unsetenv("TUNEWRIGHT_HOME");
}
