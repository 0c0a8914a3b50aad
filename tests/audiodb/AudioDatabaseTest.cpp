#include <gtest/gtest.h>

#include "audiodb/AudioDatabase.h"
#include "audiodb/AudioDbFile.h"

using namespace audiodb;

namespace {

TitleRecord Title(std::string title, std::string path, NameRef genre = nullptr,
                  NameRef artist = nullptr, NameRef album = nullptr) {
  TitleRecord record;
  record.title = std::move(title);
  record.path = std::move(path);
  record.genre = genre;
  record.artist = artist;
  record.album = album;
  return record;
}

}  // namespace

TEST(AudioDatabase, NamesAreUniqueWithoutRegardToCaseAndRefuseLineBreaks) {
  auto db = AudioDb_Create();
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(AudioDb_AddName(*db, kGenreList, "Rock"), kAudioDbOk);
  EXPECT_EQ(AudioDb_AddName(*db, kGenreList, "ROCK"), kAudioDbNameExists);
  EXPECT_EQ(AudioDb_AddName(*db, kArtistList, "ROCK"), kAudioDbOk);  // lists are independent
  EXPECT_EQ(AudioDb_AddName(*db, 3, "x"), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_AddName(*db, -1, "x"), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_AddName(*db, kGenreList, "Pop\nRock"), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_AddName(*db, kGenreList, "Pop\r"), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_NameCount(*db, kGenreList), 1);
  EXPECT_EQ(AudioDb_NameCount(*db, 7), 0);
  EXPECT_EQ(AudioDb_FindName(*db, kGenreList, "rOcK"), 1);
  EXPECT_EQ(AudioDb_FindName(*db, kGenreList, "Jazz"), 0);
  EXPECT_EQ(AudioDb_NameAt(*db, kGenreList, 0), nullptr);
  EXPECT_EQ(AudioDb_NameAt(*db, kGenreList, 2), nullptr);
  EXPECT_EQ(AudioDb_NameAt(*db, 5, 1), nullptr);
  AudioDb_Free(db);
  EXPECT_EQ(db, nullptr);
}

TEST(AudioDatabase, RenameFollowsEveryTitleAndRefusesAnotherPositionsName) {
  auto db = AudioDb_Create();
  AudioDb_AddName(*db, kArtistList, "Alpha");
  AudioDb_AddName(*db, kArtistList, "Beta");
  const NameRef alpha = AudioDb_NameAt(*db, kArtistList, 1);
  ASSERT_EQ(AudioDb_AddTitle(*db, Title("one", "/a", nullptr, alpha)), kAudioDbOk);
  ASSERT_EQ(AudioDb_AddTitle(*db, Title("two", "/b", nullptr, alpha)), kAudioDbOk);
  EXPECT_EQ(AudioDb_NameUseCount(*db, kArtistList, 1), 2);
  EXPECT_EQ(AudioDb_NameUseCount(*db, kArtistList, 2), 0);

  EXPECT_EQ(AudioDb_RenameName(*db, kArtistList, 1, "BETA"), kAudioDbNameExists);
  EXPECT_EQ(*AudioDb_NameAt(*db, kArtistList, 1), "Alpha");
  EXPECT_EQ(AudioDb_RenameName(*db, kArtistList, 1, "ALPHA"), kAudioDbOk);  // its own name
  EXPECT_EQ(AudioDb_RenameName(*db, kArtistList, 1, "Gamma"), kAudioDbOk);
  EXPECT_EQ(*AudioDb_TitleAt(*db, 1)->artist, "Gamma");
  EXPECT_EQ(*AudioDb_TitleAt(*db, 2)->artist, "Gamma");
  EXPECT_EQ(AudioDb_FindName(*db, kArtistList, "alpha"), 0);
  EXPECT_EQ(AudioDb_AddName(*db, kArtistList, "Alpha"), kAudioDbOk);  // the old name is free
  EXPECT_EQ(AudioDb_RenameName(*db, kArtistList, 9, "x"), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_RenameName(*db, kArtistList, 1, "a\nb"), kAudioDbNoSuchItem);
}

TEST(AudioDatabase, RemovingNamesShiftsPositionsButNotReferences) {
  auto db = AudioDb_Create();
  for (const char* genre : {"Blues", "Folk", "Jazz"}) AudioDb_AddName(*db, kGenreList, genre);
  const NameRef jazz = AudioDb_NameAt(*db, kGenreList, 3);
  const NameRef blues = AudioDb_NameAt(*db, kGenreList, 1);
  AudioDb_AddTitle(*db, Title("t", "/t", jazz));
  AudioDb_AddTitle(*db, Title("u", "/u", blues));
  EXPECT_EQ(AudioDb_RemoveName(*db, kGenreList, 1), kAudioDbNameInUse);
  EXPECT_EQ(AudioDb_RemoveName(*db, kGenreList, 4), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_RemoveName(*db, kGenreList, 2), kAudioDbOk);
  EXPECT_EQ(AudioDb_NameCount(*db, kGenreList), 2);
  EXPECT_EQ(AudioDb_NameAt(*db, kGenreList, 2), jazz);
  EXPECT_EQ(AudioDb_TitleAt(*db, 1)->genre, jazz);
  // The writer numbers the moved name by its new position.
  EXPECT_NE(AudioDb_Format(*db).find("2 0 0 \"t\" \"/t\""), std::string::npos);
  EXPECT_EQ(AudioDb_AddName(*db, kGenreList, "folk"), kAudioDbOk);  // removed name is free
}

TEST(AudioDatabase, TitlesAddUpdateFindAndRemove) {
  auto db = AudioDb_Create();
  AudioDb_AddName(*db, kAlbumList, "Album");
  auto other = AudioDb_Create();
  AudioDb_AddName(*other, kAlbumList, "Album");
  // A reference must be a name of this very database.
  EXPECT_EQ(AudioDb_AddTitle(
                *db, Title("x", "/x", nullptr, nullptr, AudioDb_NameAt(*other, kAlbumList, 1))),
            kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_AddTitle(*db, Title("x", "/x", AudioDb_NameAt(*db, kAlbumList, 1))),
            kAudioDbNoSuchItem);  // an album is no genre
  EXPECT_EQ(AudioDb_AddTitle(*db, Title("a\rb", "/x")), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_AddTitle(*db, Title("x", "/x\n")), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_TitleCount(*db), 0);

  TitleRecord first = Title("Song", "/Music/Song.mp3");
  first.length = -20;
  ASSERT_EQ(AudioDb_AddTitle(*db, first), kAudioDbOk);
  ASSERT_EQ(AudioDb_AddTitle(*db, Title("song", "/music/song.mp3")), kAudioDbOk);
  EXPECT_EQ(AudioDb_TitleAt(*db, 1)->length, 0);
  // Exact path first, case-blind only when no exact match exists.
  EXPECT_EQ(AudioDb_FindTitleByPath(*db, "/music/song.mp3"), 2);
  EXPECT_EQ(AudioDb_FindTitleByPath(*db, "/MUSIC/SONG.MP3"), 1);
  EXPECT_EQ(AudioDb_FindTitleByPath(*db, "/none"), 0);
  EXPECT_EQ(AudioDb_FindTitleByTitle(*db, "SONG"), 1);
  EXPECT_EQ(AudioDb_FindTitle(*db, AudioDb_TitleAt(*db, 2)), 2);
  EXPECT_EQ(AudioDb_FindTitle(*db, &first), 0);

  // Updating a record with its own stored texts keeps them intact.
  const TitleRecord* stored = AudioDb_TitleAt(*db, 2);
  EXPECT_EQ(AudioDb_UpdateTitle(*db, 2, *stored), kAudioDbOk);
  EXPECT_EQ(AudioDb_TitleAt(*db, 2)->title, "song");
  EXPECT_EQ(AudioDb_TitleAt(*db, 2)->path, "/music/song.mp3");
  TitleRecord changed = *stored;
  changed.album = AudioDb_NameAt(*db, kAlbumList, 1);
  changed.comment = "live";
  EXPECT_EQ(AudioDb_UpdateTitle(*db, 2, changed), kAudioDbOk);
  EXPECT_EQ(AudioDb_TitleAt(*db, 2)->comment, "live");
  EXPECT_EQ(AudioDb_NameUseCount(*db, kAlbumList, 1), 1);
  EXPECT_EQ(AudioDb_UpdateTitle(*db, 3, changed), kAudioDbNoSuchItem);
  changed.comment = "a\nb";
  EXPECT_EQ(AudioDb_UpdateTitle(*db, 2, changed), kAudioDbNoSuchItem);

  EXPECT_EQ(AudioDb_RemoveTitle(*db, 1), kAudioDbOk);
  EXPECT_EQ(AudioDb_TitleAt(*db, 1)->comment, "live");
  EXPECT_EQ(AudioDb_RemoveTitle(*db, 2), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_TitleAt(*db, 0), nullptr);
}

TEST(AudioDatabase, RecordsReadWithCarriageReturnsCanBeUpdatedWithTheirOwnTexts) {
  auto db = AudioDb_Create();
  TitleRecord read = Title("t", "/p");
  read.comment = "unterminated\r";
  ASSERT_EQ(AudioDb_AddTitleAsRead(*db, read), kAudioDbOk);
  TitleRecord update = *AudioDb_TitleAt(*db, 1);
  update.year = 2001;
  EXPECT_EQ(AudioDb_UpdateTitle(*db, 1, update), kAudioDbOk);
  update.title = "typed\r";
  EXPECT_EQ(AudioDb_UpdateTitle(*db, 1, update), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_AddTitleAsRead(*db, Title("a\nb", "/p")), kAudioDbNoSuchItem);
}

TEST(AudioDatabase, SetNameAtPadsRenamesAndRefusesFarPositions) {
  auto db = AudioDb_Create();
  EXPECT_EQ(AudioDb_SetNameAt(*db, kGenreList, 3, "c"), kAudioDbOk);
  EXPECT_EQ(AudioDb_NameCount(*db, kGenreList), 3);
  EXPECT_EQ(AudioDb_NameAt(*db, kGenreList, 1), nullptr);  // an empty slot
  EXPECT_EQ(AudioDb_SetNameAt(*db, kGenreList, 2, "b"), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_SetNameAt(*db, kGenreList, 3, "C2"), kAudioDbOk);  // renames
  EXPECT_EQ(*AudioDb_NameAt(*db, kGenreList, 3), "C2");
  EXPECT_EQ(AudioDb_SetNameAt(*db, kGenreList, 5, "c2"), kAudioDbNameExists);
  EXPECT_EQ(AudioDb_NameCount(*db, kGenreList), 3);  // no padding for a refused name
  EXPECT_EQ(AudioDb_SetNameAt(*db, kGenreList, 0, "z"), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_SetNameAt(*db, kGenreList, 999999999, "z"), kAudioDbNoSuchItem);
  EXPECT_EQ(AudioDb_SetNameAt(*db, kGenreList, 4, "crlf\r"), kAudioDbOk);
  EXPECT_EQ(AudioDb_FindName(*db, kGenreList, ""), 0);  // empty slots never match
  // An empty slot can be removed like any other.
  EXPECT_EQ(AudioDb_RemoveName(*db, kGenreList, 1), kAudioDbOk);
  EXPECT_EQ(AudioDb_FindName(*db, kGenreList, "c2"), 2);
}
