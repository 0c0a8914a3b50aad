// The audio database: three name lists (genre, artist, album) and the title
// records that refer to them. Positions are numbered from 1 in every operation.
//
// A title refers to a name by the name's own text object, never by its
// position, so removing or renaming a name never makes a title point at another
// one. Names in one list are unique without regard to ASCII letter case.
// All operations run on the main task; the database has no lock of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace audiodb {

// Result codes of every operation.
enum AudioDbResult : int {
  kAudioDbOk = 0,
  kAudioDbNoMemory = 4096,
  kAudioDbNameExists = 4098,
  kAudioDbNoSuchItem = 4099,  // no such list, position or record; also a refused text
  kAudioDbNameInUse = 4100,
  kAudioDbFileError = 4101,
};

// The three name lists.
enum NameListId : int { kGenreList = 0, kArtistList = 1, kAlbumList = 2, kNameListCount = 3 };

// The most slots a name list may reach through padding.
inline constexpr int64_t kMaxNameSlots = int64_t{1} << 20;

// A reference into a name list: the name's text itself, or nullptr for none.
using NameRef = const std::string*;

struct TitleRecord {
  NameRef genre = nullptr;
  NameRef artist = nullptr;
  NameRef album = nullptr;
  int32_t length = 0;  // seconds, never negative
  std::string title;
  std::string comment;
  std::string path;
  int32_t year = 0;  // 0 when unknown
};

// Read freely; change only through the AudioDb_* operations, which keep the
// lists, their lower-case index and the titles' references consistent.
struct AudioDatabase {
  // A slot is nullptr when a read file skipped its position (an empty slot).
  std::vector<std::unique_ptr<std::string>> names[kNameListCount];
  // The lower-cased names of each list, so that a read stays linear in the file.
  std::unordered_set<std::string> name_keys[kNameListCount];
  std::vector<std::unique_ptr<TitleRecord>> titles;  // destroyed before the names
  // The file whose last read stopped at a bad line: its next save keeps a ".bak".
  std::string stopped_read_path;
};

// A new empty database, or nullptr when memory runs out.
std::unique_ptr<AudioDatabase> AudioDb_Create();
// Frees the database and clears the owner's pointer.
void AudioDb_Free(std::unique_ptr<AudioDatabase>& db);

// Number of slots of a list (0 for an invalid list).
int64_t AudioDb_NameCount(const AudioDatabase& db, int list);
// Position of the name equal to text without regard to case; 0 when absent.
int64_t AudioDb_FindName(const AudioDatabase& db, int list, std::string_view text);
// The name at a position, or nullptr outside 1..n and for an empty slot.
NameRef AudioDb_NameAt(const AudioDatabase& db, int list, int64_t position);
// Position of the slot holding exactly this reference; 0 when absent or none.
int64_t AudioDb_PositionOf(const AudioDatabase& db, int list, NameRef name);
// Appends a name. 4099 for an invalid list or a text with CR or LF, 4098 when it exists.
int AudioDb_AddName(AudioDatabase& db, int list, std::string_view text);
// Changes the text of a name; every title using it follows. 4099 when there is no
// name there or the text holds CR or LF; 4098 when another position has that name.
int AudioDb_RenameName(AudioDatabase& db, int list, int64_t position, std::string_view text);
// The reader's door: beyond the count, pads with empty slots and adds the name;
// otherwise renames. Carriage returns are kept (CRLF files), line feeds refused (4099).
// A position beyond the count and above max_position is refused with 4099, not padded.
int AudioDb_SetNameAt(AudioDatabase& db, int list, int64_t position, std::string_view text,
                      int64_t max_position = kMaxNameSlots);
// Number of titles using the name at a position (0 when none or invalid).
int64_t AudioDb_NameUseCount(const AudioDatabase& db, int list, int64_t position);
// Removes a name; later positions move down. 4099 when invalid, 4100 while in use.
int AudioDb_RemoveName(AudioDatabase& db, int list, int64_t position);

int64_t AudioDb_TitleCount(const AudioDatabase& db);
// The record at a position, or nullptr outside 1..n.
const TitleRecord* AudioDb_TitleAt(const AudioDatabase& db, int64_t position);
// Position of that very record object; 0 when absent.
int64_t AudioDb_FindTitle(const AudioDatabase& db, const TitleRecord* record);
// Position of the first record whose title equals text without regard to case; 0 when none.
int64_t AudioDb_FindTitleByTitle(const AudioDatabase& db, std::string_view text);
// Position of the first record whose path equals text exactly or, failing that,
// without regard to case; 0 when none.
int64_t AudioDb_FindTitleByPath(const AudioDatabase& db, std::string_view text);
// Appends a copy of record. 4099 when a reference is not a name of this database
// or a text holds CR or LF; a negative length becomes 0.
int AudioDb_AddTitle(AudioDatabase& db, const TitleRecord& record);
// As AudioDb_AddTitle, for the reader: carriage returns are kept, line feeds refused;
// the references must come from AudioDb_NameAt of this database.
int AudioDb_AddTitleAsRead(AudioDatabase& db, const TitleRecord& record);
// Replaces every field of the record at position (record may be that very record).
// 4099 when absent or refused as in AudioDb_AddTitle; a text kept unchanged may
// hold the carriage return it was read with.
int AudioDb_UpdateTitle(AudioDatabase& db, int64_t position, const TitleRecord& record);
// Removes the record at position; later positions move down. 4099 when absent.
int AudioDb_RemoveTitle(AudioDatabase& db, int64_t position);

// ASCII case-insensitive equality, as every name comparison of the database uses.
bool AudioDb_SameName(std::string_view a, std::string_view b);

}  // namespace audiodb
