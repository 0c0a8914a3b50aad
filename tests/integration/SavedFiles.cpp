#include "SavedFiles.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "audiodb/AudioDbFile.h"
#include "cdda/CdTitles.h"
#include "decoders/Id3v1.h"
#include "karaoke/LyricsFile.h"
#include "player/Playlist.h"
#include "player/PlayerStateFile.h"
#include "player/PlaylistFiles.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

namespace savetest {
namespace {

constexpr const char* kDiscKey = "ID0123456789";

// A save's own input, held in memory and read through its /proc name: outside
// the folder the saves go to, so a test that breaks writes there (or fills its
// disc) breaks only the save, and a save killed half way leaves no file behind.
class StagedText {
 public:
  explicit StagedText(const std::string& text) : fd_(::memfd_create("tw-save-source", MFD_CLOEXEC)) {
    if (fd_ < 0 || ::write(fd_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
      throw std::runtime_error("cannot stage a save's input");
  }
  ~StagedText() {
    if (fd_ >= 0) ::close(fd_);
  }
  StagedText(const StagedText&) = delete;
  StagedText& operator=(const StagedText&) = delete;
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

bool SaveSettings(int version, const std::string& path) {
  settings::SetAudioDefaults();
  const StagedText source(version == 0 ? "[AUDIO]\nVOLUME=10\n" : "[AUDIO]\nVOLUME=60\n");
  return settings::Settings_Load(source.path()) && settings::Settings_Save(path);
}

bool SavePlaylist(int version, const std::string& path) {
  player::Playlist list;
  std::vector<const player::PlaylistEntry*> rows;
  for (int song = 0; song < 300; ++song) {
    const std::string line =
        "/music/song" + std::to_string(song) + ".wav\tTITLE=v" + std::to_string(version);
    rows.push_back(player::Playlist_AddStored(list, line));
  }
  return player::Playlist_Save(rows, path, {}) == 1;
}

bool SavePlayerState(int version, const std::string& path) {
  player::PlayerState state;
  state.volume = 10 + version;
  for (int song = 0; song < 300; ++song)
    state.rows.push_back("/music/song" + std::to_string(song) + ".wav\tTITLE=v" + std::to_string(version));
  return player::PlayerState_Save(path, state);
}

bool SaveDatabase(int version, const std::string& path) {
  auto db = audiodb::AudioDb_Create();
  for (int name = 0; name < 300; ++name) {
    audiodb::AudioDb_AddName(*db, audiodb::kArtistList,
                             "Artist " + std::to_string(name) + "/" + std::to_string(version));
  }
  return audiodb::AudioDb_Write(*db, path) == audiodb::kAudioDbOk;
}

bool SaveLyrics(int version, const std::string& path) {
  std::string text;
  for (int line = 0; line < 300; ++line) {
    text += "00:" + std::to_string(10 + line % 50) + ".0 words " + std::to_string(version) + "\n";
  }
  const StagedText source(text);
  const auto list = karaoke::Lyrics_Read(source.path());
  return list != nullptr && karaoke::Lyrics_Write(list.get(), path) == 1;
}

// The titles file's name comes from the disc key, so a reference version is
// saved under that name and then moved to the path asked for.
bool SaveDiscTitles(int version, const std::string& path) {
  cdda::CDTitles titles;
  std::strcpy(titles.disc_key, kDiscKey);
  titles.first_track = 1;
  titles.last_track = 99;
  std::strcpy(titles.artist, version == 0 ? "Old artist" : "New artist");
  for (int track = 1; track <= 99; ++track) {
    std::snprintf(titles.titles[track], sizeof titles.titles[track], "Song %d v%d", track, version);
  }
  const std::string folder = std::filesystem::path(path).parent_path();
  const std::string real = cdda::CDTitles_FilePath(folder, kDiscKey);
  if (real != path && std::filesystem::exists(real)) return false;  // never clobber the file
  if (!cdda::CDTitles_Save(folder, titles)) return false;
  if (real != path) std::filesystem::rename(real, path);
  return true;
}

// A song body (its bytes stand for MPEG frames) with a tag written by ID3_Write.
// With tag_old, version 0 already carries a tag that version 1 replaces in
// place; without, version 0 has none and version 1 appends one.
bool SaveId3(int version, const std::string& path, bool tag_old) {
  if (!std::filesystem::exists(path)) {
    testsupport::WriteTextFile(path, std::string(8 * 1024, '\xFF'));
    if (version == 0 && !tag_old) return true;
  }
  decoders::ID3Tag tag;
  tag.title = version == 0 ? "Old title" : "New title";
  tag.artist = "Artist v" + std::to_string(version);
  tag.year = std::to_string(1990 + version);
  return decoders::ID3_Write(path, tag) == decoders::kId3Ok;
}

}  // namespace

const std::vector<SavedKind>& SavedKinds() {
  static const std::vector<SavedKind> kinds = {
      {"settings", SaveSettings},
      {"playlist", SavePlaylist},
      {"state", SavePlayerState},
      {"database", SaveDatabase},
      {"lyrics", SaveLyrics},
      {"titles", SaveDiscTitles},
      {"id3-replace", [](int v, const std::string& p) { return SaveId3(v, p, true); }},
      {"id3-append", [](int v, const std::string& p) { return SaveId3(v, p, false); }},
  };
  return kinds;
}

std::string SavePathIn(const SavedKind& kind, const std::string& folder) {
  return std::string(kind.name) == "titles" ? cdda::CDTitles_FilePath(folder, kDiscKey)
                                            : folder + "/" + kind.name;
}

std::string TestNameOf(const SavedKind& kind) {
  std::string name = kind.name;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

void ExpectNoTemporaries(const std::string& folder) {
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(item.path().filename().string().find(".tw-tmp-"), std::string::npos) << item.path();
  }
}

const SavedKind& SavedKindNamed(const std::string& name) {
  for (const SavedKind& kind : SavedKinds()) {
    if (name == kind.name) return kind;
  }
  throw std::invalid_argument("no saved kind " + name);
}

}  // namespace savetest
