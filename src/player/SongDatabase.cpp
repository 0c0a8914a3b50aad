#include "player/SongDatabase.h"

#include "audiodb/AudioDbFile.h"
#include "player/TimeFormat.h"

namespace player {
namespace {

std::optional<std::string> NameText(audiodb::NameRef name) {
  if (!name) return std::nullopt;
  return *name;
}

}  // namespace

SongDatabase::SongDatabase() : db_(std::make_unique<audiodb::AudioDatabase>()) {}

int SongDatabase::Load(const std::string& path) { return audiodb::AudioDb_Read(*db_, path); }

int SongDatabase::LoadFromSettings() { return Load(audiodb::AudioDb_SettingsPath()); }

DatabaseLookupFn SongDatabase::Lookup() const {
  const audiodb::AudioDatabase* db = db_.get();
  return [db](const std::string& path) -> std::optional<StoredTexts> {
    const int64_t position = audiodb::AudioDb_FindTitleByPath(*db, path);
    if (position == 0) return std::nullopt;
    return RecordTexts(*audiodb::AudioDb_TitleAt(*db, position));
  };
}

StoredTexts RecordTexts(const audiodb::TitleRecord& record) {
  StoredTexts texts;
  texts[kFieldGenre] = NameText(record.genre);
  texts[kFieldArtist] = NameText(record.artist);
  texts[kFieldAlbum] = NameText(record.album);
  texts[kFieldTitle] = record.title;
  texts[kFieldComment] = record.comment;
  texts[kFieldFilePath] = record.path;
  texts[kFieldDuration] = FormatMinSec(record.length);
  return texts;
}

}  // namespace player
