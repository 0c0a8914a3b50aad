#include "audiodb/AudioDatabase.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <new>

namespace audiodb {
namespace {

using NameSlots = std::vector<std::unique_ptr<std::string>>;

bool ValidList(int list) { return list >= 0 && list < kNameListCount; }


// A line feed would split a record in the file; a carriage return is refused
// only where the user types texts, since CRLF files keep theirs on reading.
bool AcceptableText(std::string_view text, bool allow_carriage_return) {
  if (text.find('\n') != std::string_view::npos) return false;
  return allow_carriage_return || text.find('\r') == std::string_view::npos;
}

// The slot at a 1-based position, or nullptr.
std::unique_ptr<std::string>* SlotAt(AudioDatabase& db, int list, int64_t position) {
  if (!ValidList(list) || position < 1) return nullptr;
  NameSlots& slots = db.names[list];
  if (position > static_cast<int64_t>(slots.size())) return nullptr;
  return &slots[static_cast<size_t>(position - 1)];
}

std::string NameKey(std::string_view text) {
  std::string key(text);
  for (char& c : key) c = platform::FoldAscii(c);
  return key;
}

int AppendName(AudioDatabase& db, int list, std::string_view text) {
  if (!db.name_keys[list].insert(NameKey(text)).second) return kAudioDbNameExists;
  db.names[list].push_back(std::make_unique<std::string>(text));
  return kAudioDbOk;
}

int Rename(AudioDatabase& db, int list, int64_t position, std::string_view text) {
  std::unique_ptr<std::string>* slot = SlotAt(db, list, position);
  if (slot == nullptr || !*slot) return kAudioDbNoSuchItem;
  std::string old_key = NameKey(**slot);
  std::string new_key = NameKey(text);
  if (new_key != old_key && db.name_keys[list].count(new_key) != 0) return kAudioDbNameExists;
  db.name_keys[list].erase(old_key);
  db.name_keys[list].insert(std::move(new_key));
  // The text object stays the same, so every title that refers to it follows.
  (*slot)->assign(text);
  return kAudioDbOk;
}

bool RefersToList(const AudioDatabase& db, int list, NameRef name) {
  return name == nullptr || AudioDb_PositionOf(db, list, name) != 0;
}

bool ReferencesThisDatabase(const AudioDatabase& db, const TitleRecord& record) {
  return RefersToList(db, kGenreList, record.genre) &&
         RefersToList(db, kArtistList, record.artist) && RefersToList(db, kAlbumList, record.album);
}

// A text the record already holds stays acceptable, so that a record read from a
// CRLF file can still be updated with its own texts.
bool AcceptableTexts(const TitleRecord& record, const TitleRecord* stored,
                     bool allow_carriage_return) {
  const auto field_ok = [&](const std::string& text, const std::string* before) {
    return AcceptableText(text, allow_carriage_return || (before && *before == text));
  };
  return field_ok(record.title, stored ? &stored->title : nullptr) &&
         field_ok(record.comment, stored ? &stored->comment : nullptr) &&
         field_ok(record.path, stored ? &stored->path : nullptr);
}

TitleRecord Normalised(const TitleRecord& record) {
  TitleRecord copy = record;
  copy.length = std::max<int32_t>(copy.length, 0);
  return copy;
}

int AddTitle(AudioDatabase& db, const TitleRecord& record, bool as_read) {
  if (!AcceptableTexts(record, nullptr, as_read)) return kAudioDbNoSuchItem;
  // References of a read record come from the lists themselves; checking them
  // here would make reading quadratic.
  if (!as_read && !ReferencesThisDatabase(db, record)) return kAudioDbNoSuchItem;
  try {
    db.titles.push_back(std::make_unique<TitleRecord>(Normalised(record)));
  } catch (const std::bad_alloc&) {
    return kAudioDbNoMemory;
  }
  return kAudioDbOk;
}

// Runs a change that allocates, turning a failed allocation into the database's code.
template <typename Change>
int Guarded(Change change) {
  try {
    return change();
  } catch (const std::bad_alloc&) {
    return kAudioDbNoMemory;
  }
}

}  // namespace

bool AudioDb_SameName(std::string_view a, std::string_view b) {
  return platform::EqualsNoCase(a, b);
}

std::unique_ptr<AudioDatabase> AudioDb_Create() {
  return std::unique_ptr<AudioDatabase>(new (std::nothrow) AudioDatabase);
}

void AudioDb_Free(std::unique_ptr<AudioDatabase>& db) { db.reset(); }

int64_t AudioDb_NameCount(const AudioDatabase& db, int list) {
  return ValidList(list) ? static_cast<int64_t>(db.names[list].size()) : 0;
}

int64_t AudioDb_FindName(const AudioDatabase& db, int list, std::string_view text) {
  if (!ValidList(list)) return 0;
  const NameSlots& slots = db.names[list];
  for (size_t i = 0; i < slots.size(); ++i) {
    if (slots[i] && AudioDb_SameName(*slots[i], text)) return static_cast<int64_t>(i + 1);
  }
  return 0;
}

NameRef AudioDb_NameAt(const AudioDatabase& db, int list, int64_t position) {
  if (!ValidList(list) || position < 1 || position > AudioDb_NameCount(db, list)) return nullptr;
  return db.names[list][static_cast<size_t>(position - 1)].get();
}

int64_t AudioDb_PositionOf(const AudioDatabase& db, int list, NameRef name) {
  if (!ValidList(list) || name == nullptr) return 0;
  const NameSlots& slots = db.names[list];
  for (size_t i = 0; i < slots.size(); ++i) {
    if (slots[i].get() == name) return static_cast<int64_t>(i + 1);
  }
  return 0;
}

int AudioDb_AddName(AudioDatabase& db, int list, std::string_view text) {
  if (!ValidList(list) || !AcceptableText(text, false)) return kAudioDbNoSuchItem;
  return Guarded([&]() -> int { return AppendName(db, list, text); });
}

int AudioDb_RenameName(AudioDatabase& db, int list, int64_t position, std::string_view text) {
  if (!AcceptableText(text, false)) return kAudioDbNoSuchItem;
  return Guarded([&]() -> int { return Rename(db, list, position, text); });
}

int AudioDb_SetNameAt(AudioDatabase& db, int list, int64_t position, std::string_view text,
                      int64_t max_position) {
  if (!ValidList(list) || !AcceptableText(text, true)) return kAudioDbNoSuchItem;
  return Guarded([&]() -> int {
    NameSlots& slots = db.names[list];
    if (position <= static_cast<int64_t>(slots.size())) return Rename(db, list, position, text);
    if (position > max_position) return kAudioDbNoSuchItem;
    if (db.name_keys[list].count(NameKey(text)) != 0) return kAudioDbNameExists;
    slots.resize(static_cast<size_t>(position - 1));
    return AppendName(db, list, text);
  });
}

int64_t AudioDb_NameUseCount(const AudioDatabase& db, int list, int64_t position) {
  const NameRef name = AudioDb_NameAt(db, list, position);
  if (name == nullptr) return 0;
  return std::count_if(db.titles.begin(), db.titles.end(), [&](const auto& title) {
    const NameRef refs[kNameListCount] = {title->genre, title->artist, title->album};
    return refs[list] == name;
  });
}

int AudioDb_RemoveName(AudioDatabase& db, int list, int64_t position) {
  std::unique_ptr<std::string>* slot = SlotAt(db, list, position);
  if (slot == nullptr) return kAudioDbNoSuchItem;
  if (*slot && AudioDb_NameUseCount(db, list, position) > 0) return kAudioDbNameInUse;
  if (*slot) db.name_keys[list].erase(NameKey(**slot));
  db.names[list].erase(db.names[list].begin() + (position - 1));
  return kAudioDbOk;
}

int64_t AudioDb_TitleCount(const AudioDatabase& db) {
  return static_cast<int64_t>(db.titles.size());
}

const TitleRecord* AudioDb_TitleAt(const AudioDatabase& db, int64_t position) {
  if (position < 1 || position > AudioDb_TitleCount(db)) return nullptr;
  return db.titles[static_cast<size_t>(position - 1)].get();
}

int64_t AudioDb_FindTitle(const AudioDatabase& db, const TitleRecord* record) {
  for (size_t i = 0; i < db.titles.size(); ++i) {
    if (db.titles[i].get() == record) return static_cast<int64_t>(i + 1);
  }
  return 0;
}

int64_t AudioDb_FindTitleByTitle(const AudioDatabase& db, std::string_view text) {
  for (size_t i = 0; i < db.titles.size(); ++i) {
    if (AudioDb_SameName(db.titles[i]->title, text)) return static_cast<int64_t>(i + 1);
  }
  return 0;
}

int64_t AudioDb_FindTitleByPath(const AudioDatabase& db, std::string_view text) {
  // Linux paths are case-sensitive: an exact match wins over an earlier case-blind one.
  for (size_t i = 0; i < db.titles.size(); ++i) {
    if (db.titles[i]->path == text) return static_cast<int64_t>(i + 1);
  }
  for (size_t i = 0; i < db.titles.size(); ++i) {
    if (AudioDb_SameName(db.titles[i]->path, text)) return static_cast<int64_t>(i + 1);
  }
  return 0;
}

int AudioDb_AddTitle(AudioDatabase& db, const TitleRecord& record) {
  return AddTitle(db, record, false);
}

int AudioDb_AddTitleAsRead(AudioDatabase& db, const TitleRecord& record) {
  return AddTitle(db, record, true);
}

int AudioDb_UpdateTitle(AudioDatabase& db, int64_t position, const TitleRecord& record) {
  const TitleRecord* stored = AudioDb_TitleAt(db, position);
  if (stored == nullptr || !ReferencesThisDatabase(db, record) ||
      !AcceptableTexts(record, stored, false)) {
    return kAudioDbNoSuchItem;
  }
  return Guarded([&]() -> int {
    // Copy first: record may be the stored record itself.
    TitleRecord copy = Normalised(record);
    *db.titles[static_cast<size_t>(position - 1)] = std::move(copy);
    return kAudioDbOk;
  });
}

int AudioDb_RemoveTitle(AudioDatabase& db, int64_t position) {
  if (position < 1 || position > AudioDb_TitleCount(db)) return kAudioDbNoSuchItem;
  db.titles.erase(db.titles.begin() + (position - 1));
  return kAudioDbOk;
}

}  // namespace audiodb
