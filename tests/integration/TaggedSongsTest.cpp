// MP3 files tagged by mutagen the way real collections are: their texts reach
// the command port and the desktop's MPRIS metadata of a headless player.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/TestSupport.h"

using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

// A headless player with its own port folder and home, heard by nobody.
class Player {
 public:
  explicit Player(const TempDir& dir) : dir_(dir) {
    std::filesystem::create_directories(dir.File("run"));
    std::filesystem::permissions(dir.File("run"), std::filesystem::perms::owner_all);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setenv("XDG_RUNTIME_DIR", dir.File("run").c_str(), 1);
      ::setenv("TUNEWRIGHT_HOME", dir.File("home").c_str(), 1);
      ::setenv("TUNEWRIGHT_OUTPUT", "null", 1);
      const std::string program = testsupport::BuiltProgram("tunewright");
      ::execl(program.c_str(), "tunewright", "--headless", nullptr);
      ::_exit(127);
    }
    const std::string socket = dir.File("run/tunewright/TUNEWRIGHT.1");
    for (int i = 0; i < 200 && !std::filesystem::exists(socket); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ~Player() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  std::string Send(const std::string& commands) const {
    return testsupport::Run("XDG_RUNTIME_DIR=" + ShellQuote(dir_.File("run")) + " timeout 10 " +
                            testsupport::BuiltProgram("tunewright") + " " + commands)
        .out;
  }

 private:
  const TempDir& dir_;
  pid_t pid_ = -1;
};

std::string Metadata() {
  return testsupport::Run(
             "dbus-send --session --print-reply=literal --reply-timeout=5000 "
             "--dest=org.mpris.MediaPlayer2.tunewright /org/mpris/MediaPlayer2 "
             "org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player "
             "string:Metadata 2>&1")
      .out;
}

struct TaggedSong {
  const char* name;
  const char* tagging;  // the tagmp3.py parts
  const char* title;
  const char* artist;
  const char* album;
  const char* genre;
};

}  // namespace

TEST(TaggedSongs, Id3v2AndApeTextsReachThePortAndMpris) {
  TW_REQUIRE_TOOLS("sox", "lame", "/usr/bin/python3", "dbus-daemon", "dbus-send");
  TempDir dir;
  const std::string wave = dir.File("tone.wav");
  ASSERT_EQ(
      testsupport::Run("sox -n -b 16 -r 44100 -c 1 " + ShellQuote(wave) + " synth 0.3 sine 440")
          .exit_code,
      0);
  const TaggedSong songs[] = {
      {"v23-latin1", "id3 3 latin1 TIT2=Café TPE1=Zoë TALB=Déjà TCON='(17)'", "Café", "Zoë", "Déjà",
       "Rock"},
      {"v23-utf16", "id3 3 utf16 TIT2=Ωmega TPE1=日本 TALB=Ünïcode TCON=Jazz", "Ωmega", "日本",
       "Ünïcode", "Jazz"},
      {"v24-utf8", "id3 4 utf8 TIT2=Четыре TPE1=Ünï TALB=Альбом TCON=8", "Четыре", "Ünï", "Альбом",
       "Jazz"},
      {"ape-only", "ape Title=Ape-Titel Artist=Ape-Künstler Album=Ape-Album Genre='(13)'",
       "Ape-Titel", "Ape-Künstler", "Ape-Album", "Pop"},
      // ID3v2 wins over APEv2 over ID3v1, an empty field falls through.
      {"v1-and-v2",
       "id3 3 latin1 TIT2=NewTitle -- ape Artist=ApeArtist -- v1 OldTitle OldArtist OldAlbum",
       "NewTitle", "ApeArtist", "OldAlbum", ""},
  };
  std::string names;
  for (const TaggedSong& song : songs) {
    const std::string mp3 = dir.File(std::string(song.name) + ".mp3");
    ASSERT_EQ(testsupport::Run("lame --silent -b 64 " + ShellQuote(wave) + " " + ShellQuote(mp3))
                  .exit_code,
              0);
    ASSERT_EQ(testsupport::Run("/usr/bin/python3 " +
                               ShellQuote(TW_TEST_SOURCE_DIR "/tests/support/tagmp3.py") + " " +
                               ShellQuote(mp3) + " " + song.tagging)
                  .exit_code,
              0)
        << song.name;
    names += " " + mp3;
  }
  testsupport::SessionBus bus;
  ASSERT_TRUE(bus.up());
  Player player(dir);
  ASSERT_EQ(player.Send("--send " + ShellQuote("add" + names) + " --send get_count"), "5\n");
  for (size_t i = 0; i < std::size(songs); ++i) {
    const TaggedSong& song = songs[i];
    const std::string select = ShellQuote("select " + std::to_string(i + 1));
    EXPECT_EQ(
        player.Send("--send " + select +
                    " --send get_title --send get_artist --send get_album --send get_genre"),
        std::string(song.title) + "\n" + song.artist + "\n" + song.album + "\n" + song.genre + "\n")
        << song.name;
    const std::string metadata = Metadata();
    for (const char* text : {song.title, song.artist, song.album})
      EXPECT_NE(metadata.find(text), std::string::npos) << song.name << ": " << metadata;
  }
  player.Send("--send quit");
}
