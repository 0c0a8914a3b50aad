// The playlist store: the entries in insertion order and the current entry.
// An entry knows its song through the nine texts a playlist line or the song
// database stored for it, through an identified TrackInfo, or both. Entries from
// playlist files are identified only when they are needed.
//
// Main task only.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decoders/TrackInfo.h"

namespace player {

enum EntryField : int {
  kFieldGenre = 0,
  kFieldArtist = 1,
  kFieldAlbum = 2,
  kFieldTitle = 3,
  kFieldType = 4,
  kFieldComment = 5,
  kFieldFilePath = 6,
  kFieldDuration = 7,
  kFieldYear = 8,
};
constexpr int kFieldCount = 9;

// The keys written to playlist files, by EntryField.
extern const std::array<const char*, kFieldCount> kEntryFieldKeys;

using StoredTexts = std::array<std::optional<std::string>, kFieldCount>;

struct PlaylistEntry {
  std::unique_ptr<StoredTexts> stored;  // null when made from an identified file
  decoders::TrackPtr track;             // null until identified
};

// How the store turns a path into a track; the registry in the program, a fake in tests.
using IdentifyFn = std::function<decoders::TrackPtr(const std::string& path)>;
// The song database's stored texts for a path (compared without regard to case), if any.
using DatabaseLookupFn = std::function<std::optional<StoredTexts>(const std::string& path)>;

struct Playlist {
  std::vector<std::unique_ptr<PlaylistEntry>> entries;  // insertion order
  PlaylistEntry* current = nullptr;
  IdentifyFn identify;
};

void Playlist_Clear(Playlist& p);
int Playlist_Count(const Playlist& p);
PlaylistEntry* Playlist_GetAt(const Playlist& p, int index);  // null outside the list
int Playlist_RemoveAt(Playlist& p, int index);                // 0, or -1 when no such entry
int Playlist_Remove(Playlist& p, const PlaylistEntry* entry);  // 0, or -1 when not found

// Entry creation: each appends and returns the new entry, or null leaving the store as it was.
PlaylistEntry* Playlist_AddTrack(Playlist& p, decoders::TrackPtr track);
PlaylistEntry* Playlist_AddPath(Playlist& p, const std::string& path);
PlaylistEntry* Playlist_AddStoredTexts(Playlist& p, StoredTexts texts);  // database records
PlaylistEntry* Playlist_AddStored(Playlist& p, std::string_view line);  // a playlist line's fields
// Every file name and playlist line: the database first, then a line with fields
// as stored texts, else the path identified.
PlaylistEntry* Playlist_AddLine(Playlist& p, const DatabaseLookupFn& database,
                                std::string_view line);

// The entry's track, identifying its stored FILEPATH when it has none yet.
decoders::TrackInfo* Entry_GetTrackInfo(Playlist& p, PlaylistEntry* entry);
// Seconds: length / frequency rounded up, else the stored DURATION; 0 for null.
int64_t Entry_Duration(const PlaylistEntry* entry);
// A stored text wins, even empty; otherwise the track's field. Never fails.
std::string Entry_GetField(const PlaylistEntry* entry, int id);
// Re-reads the descriptive texts of the entry's file after its tags were edited.
// The format fields stay: the player may be using them.
void Entry_Refresh(Playlist& p, PlaylistEntry* entry);

// The row title from pattern (%g %a %A %t %T %c %f %d %y), at most 255 bytes,
// cut at a UTF-8 boundary. Plain text: a window marks the current row itself.
std::string ExpandTitlePattern(const PlaylistEntry* entry, std::string_view pattern);

// A playlist line's field value: FILEPATH is the start of the line; others follow
// "KEY=" at the start of a TAB-separated field. Values end at a control character.
// DURATION without ':' is seconds, returned as MM:SS.
std::optional<std::string> Entry_ParseField(std::string_view line, int id);

// Identifies path through the format registry, but only a regular file or a CD
// track pseudo-path: opening a FIFO or a device would block the player.
decoders::TrackPtr IdentifyPlayable(const std::string& path);

// The file-name part of a path.
std::string_view FilePart(std::string_view path);

}  // namespace player
