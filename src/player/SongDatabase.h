// The song database as the player uses it: read once at start-up from the file
// the AUDIO_BASE settings name, then consulted by the playlist for every name
// added (a song it knows comes in with its stored texts, unidentified). The
// database window edits the same object later.
//
// Main task only.
#pragma once

#include <memory>
#include <string>

#include "audiodb/AudioDatabase.h"
#include "player/Playlist.h"

namespace player {

class SongDatabase {
 public:
  SongDatabase();
  // Reads the file at path into the database. A missing file leaves it empty, a
  // read that stops at a bad line keeps what came before; neither is reported.
  // Returns the read's result code.
  int Load(const std::string& path);
  // Load from the AUDIO_BASE settings' FILEPATH ("PROGDIR:" resolved).
  int LoadFromSettings();

  audiodb::AudioDatabase& database() { return *db_; }
  // The playlist's lookup; valid while this object lives.
  DatabaseLookupFn Lookup() const;

 private:
  std::unique_ptr<audiodb::AudioDatabase> db_;
};

// The stored texts of a database record as a playlist entry carries them: genre,
// artist, album, title, comment, path and the length as "MM:SS"; TYPE and YEAR
// stay unset, so they come from the song once it is identified.
StoredTexts RecordTexts(const audiodb::TitleRecord& record);

}  // namespace player
