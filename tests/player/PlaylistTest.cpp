#include <gtest/gtest.h>

#include "platform/Utf8.h"
#include "player/Playlist.h"
#include "player/TimeFormat.h"

using namespace player;

namespace {

decoders::TrackPtr MakeTrack(const std::string& path, const std::string& title) {
  auto track = std::make_unique<decoders::TrackInfo>();
  track->path = path;
  platform::CopyField(track->title, title);
  platform::CopyField(track->artist, "Band");
  platform::CopyField(track->album, "Live");
  platform::CopyField(track->genre, "Rock");
  platform::CopyField(track->comment, "note");
  platform::CopyField(track->type_text, "RIFF-WAVE");
  track->year = 1999;
  track->frequency = 44100;
  track->length = 44100 * 185 + 1;  // 185 s and one frame: rounds up to 186
  return track;
}

}  // namespace

TEST(TimeFormat, FormatsAndParses) {
  EXPECT_EQ(FormatTime(3600, 3), "01:00:00");
  EXPECT_EQ(FormatTime(3599, 3), "59:59");
  EXPECT_EQ(FormatTime(75, 0), "75");
  EXPECT_EQ(FormatTime(75, 7), "00:01:15");
  EXPECT_EQ(FormatMinSec(6000), "100:00");
  EXPECT_EQ(FormatMinSec(-5), "00:00");
  EXPECT_EQ(ParseMinSec("4"), 4);
  EXPECT_EQ(ParseMinSec("1:00"), 60);
  EXPECT_EQ(ParseMinSec("3:05"), 185);
  EXPECT_EQ(ParseMinSec("-3:05"), 5);  // a negative minute count is 0
  EXPECT_GT(ParseMinSec("99999999999999999999999:99"), 0);  // saturates, never wraps
}

TEST(TitlePattern, EveryCodeAndTheLimits) {
  Playlist p;
  PlaylistEntry* e = Playlist_AddTrack(p, MakeTrack("/music/dir/song.wav", "Song"));
  EXPECT_EQ(ExpandTitlePattern(e, "%A - %a %t"), "Live - Band Song");
  EXPECT_EQ(ExpandTitlePattern(e, "%g|%T|%c|%f|%d|%y"),
            "Rock|RIFF-WAVE|note|/music/dir/song.wav|03:06|1999");
  EXPECT_EQ(ExpandTitlePattern(e, "%t%"), "Song");
  EXPECT_EQ(ExpandTitlePattern(e, "100%"), "100");
  EXPECT_EQ(ExpandTitlePattern(e, "%z%%t"), "z%t");
  EXPECT_EQ(ExpandTitlePattern(e, ""), "Song");

  // Long fields: at most 255 bytes after the prefix, cut between characters.
  const std::string long_path = "/" + std::string(300, 'x');
  PlaylistEntry* big = Playlist_AddTrack(p, MakeTrack(long_path, ""));
  EXPECT_EQ(ExpandTitlePattern(big, "%f%f").size(), 255u);
  EXPECT_EQ(ExpandTitlePattern(big, "").size(), 255u);  // title is the file name
  std::string accents;
  for (int i = 0; i < 200; ++i) accents += "\xC3\xA9";
  PlaylistEntry* utf8 = Playlist_AddStored(p, "/a.wav\tTITLE=" + accents);
  const std::string cut = ExpandTitlePattern(utf8, "%t");
  EXPECT_EQ(cut.size(), 254u);
  EXPECT_EQ(platform::Utf8Prefix(cut, cut.size()), cut);
}

TEST(PlaylistEntries, StoredTextsAndFields) {
  Playlist p;
  PlaylistEntry* stored = Playlist_AddStored(p, "/m/a b.wav\tDURATION=185\tARTIST=X\tTITLE=");
  EXPECT_EQ(Entry_GetField(stored, kFieldDuration), "03:05");
  EXPECT_EQ(Entry_Duration(stored), 185);
  EXPECT_EQ(Entry_GetField(stored, kFieldTitle), "");  // stored but empty wins
  PlaylistEntry* untitled = Playlist_AddStored(p, "/m/b.wav\tARTIST=Y");
  EXPECT_EQ(Entry_GetField(untitled, kFieldTitle), "b.wav");
  EXPECT_EQ(Entry_GetField(untitled, kFieldYear), "");
  // A key inside a value is not a key.
  PlaylistEntry* tricky = Playlist_AddStored(p, "/m/c.wav\tTITLE=x ARTIST=no\tALBUM=A");
  EXPECT_EQ(Entry_GetField(tricky, kFieldTitle), "x ARTIST=no");
  EXPECT_EQ(Entry_GetField(tricky, kFieldArtist), "");
  EXPECT_EQ(Entry_GetField(nullptr, kFieldTitle), "");

  EXPECT_EQ(Playlist_Count(p), 3);
  p.current = stored;
  EXPECT_EQ(Playlist_Remove(p, stored), 0);
  EXPECT_EQ(p.current, nullptr);
  EXPECT_EQ(Playlist_Remove(p, stored), -1);
  EXPECT_EQ(Playlist_RemoveAt(p, 5), -1);
}
