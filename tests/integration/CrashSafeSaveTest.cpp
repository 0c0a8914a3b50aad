// Saves killed at random moments leave either the old file or the new one,
// byte for byte, and the temporary a killed save leaves is removed by the next
// start's clean-up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "audiodb/AudioDbFile.h"
#include "cdda/CdTitles.h"
#include "karaoke/LyricsFile.h"
#include "platform/AtomicFile.h"
#include "player/Playlist.h"
#include "player/PlaylistFiles.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

namespace {

constexpr int kKills = 200;

// Writes version 0 (the old file) or 1 (the new one) of a file to path; true on success.
using SaveFn = std::function<bool(int version, const std::string& path)>;

// Runs save(1) in a child killed after a random delay, kKills times, and checks
// the file each time. Returns how many children were killed before finishing.
int KillSavesAtRandom(const SaveFn& save, const std::string& path) {
  const std::string old_path = path + ".old-version", new_path = path + ".new-version";
  EXPECT_TRUE(save(0, old_path));
  EXPECT_TRUE(save(1, new_path));
  const std::string old_bytes = testsupport::ReadTextFile(old_path);
  const std::string new_bytes = testsupport::ReadTextFile(new_path);
  EXPECT_NE(old_bytes, new_bytes);
  std::mt19937 random(12);
  std::uniform_int_distribution<int> delay_us(0, 3000);
  int killed = 0;
  for (int round = 0; round < kKills; ++round) {
    testsupport::WriteTextFile(path, old_bytes);
    const pid_t child = ::fork();
    if (child == 0) ::_exit(save(1, path) ? 0 : 1);
    ::usleep(delay_us(random));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) ++killed;
    const std::string now = testsupport::ReadTextFile(path);
    EXPECT_TRUE(now == old_bytes || now == new_bytes) << "round " << round;
    platform::RemoveStaleTemporaries(path);
    for (const auto& item :
         std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
      EXPECT_EQ(item.path().filename().string().find(".tw-tmp-"), std::string::npos) << item.path();
    }
  }
  return killed;
}

TEST(CrashSafeSave, SettingsSurviveKilledSaves) {
  testsupport::TempDir dir;
  const SaveFn save = [&](int version, const std::string& path) {
    settings::SetAudioDefaults();
    const std::string source = dir.path() + "/source.cfg";
    testsupport::WriteTextFile(source,
                               version == 0 ? "[AUDIO]\nVOLUME=10\n" : "[AUDIO]\nVOLUME=60\n");
    return settings::Settings_Load(source) && settings::Settings_Save(path);
  };
  EXPECT_GT(KillSavesAtRandom(save, dir.path() + "/Tunewright.cfg"), 0);
}

TEST(CrashSafeSave, DiscTitlesSurviveKilledSaves) {
  testsupport::TempDir dir;
  const std::string key = "ID0123456789";
  const SaveFn save = [&](int version, const std::string& path) {
    cdda::CDTitles titles;
    std::strcpy(titles.disc_key, key.c_str());
    titles.first_track = 1;
    titles.last_track = 99;
    std::strcpy(titles.artist, version == 0 ? "Old artist" : "New artist");
    for (int track = 1; track <= 99; ++track) {
      std::snprintf(titles.titles[track], sizeof titles.titles[track], "Song %d v%d", track,
                    version);
    }
    const std::string folder = std::filesystem::path(path).parent_path();
    if (!cdda::CDTitles_Save(folder, titles)) return false;
    // The reference copies are moved aside; the killed saves write the real file.
    if (cdda::CDTitles_FilePath(folder, key) != path) {
      std::filesystem::rename(cdda::CDTitles_FilePath(folder, key), path);
    }
    return true;
  };
  const std::string folder = dir.path() + "/titles";
  std::filesystem::create_directories(folder);
  EXPECT_GT(KillSavesAtRandom(save, cdda::CDTitles_FilePath(folder, key)), 0);
}

TEST(CrashSafeSave, PlaylistDatabaseAndLyricsSurviveKilledSaves) {
  testsupport::TempDir dir;
  const SaveFn playlist = [](int version, const std::string& path) {
    player::Playlist list;
    std::vector<const player::PlaylistEntry*> rows;
    for (int song = 0; song < 300; ++song) {
      const std::string line =
          "/music/song" + std::to_string(song) + ".wav\tTITLE=v" + std::to_string(version);
      rows.push_back(player::Playlist_AddStored(list, line));
    }
    return player::Playlist_Save(rows, path, {}) == 1;
  };
  EXPECT_GT(KillSavesAtRandom(playlist, dir.File("list.plst")), 0);

  const SaveFn database = [](int version, const std::string& path) {
    auto db = audiodb::AudioDb_Create();
    for (int name = 0; name < 300; ++name) {
      audiodb::AudioDb_AddName(*db, audiodb::kArtistList,
                               "Artist " + std::to_string(name) + "/" + std::to_string(version));
    }
    return audiodb::AudioDb_Write(*db, path) == audiodb::kAudioDbOk;
  };
  EXPECT_GT(KillSavesAtRandom(database, dir.File("songs.aub")), 0);

  const SaveFn lyrics = [&](int version, const std::string& path) {
    std::string text;
    for (int line = 0; line < 300; ++line) {
      text += "00:" + std::to_string(10 + line % 50) + ".0 words " + std::to_string(version) + "\n";
    }
    testsupport::WriteTextFile(path + ".source", text);
    const auto list = karaoke::Lyrics_Read(path + ".source");
    return list != nullptr && karaoke::Lyrics_Write(list.get(), path) == 1;
  };
  EXPECT_GT(KillSavesAtRandom(lyrics, dir.File("song.kok")), 0);
}

}  // namespace
