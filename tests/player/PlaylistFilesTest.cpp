#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "player/PlaylistFiles.h"
#include "support/TestSupport.h"

using namespace player;
using testsupport::TempDir;
using testsupport::WriteTextFile;

namespace {

// Every existing file whose name ends in ".wav" is a song.
decoders::TrackPtr FakeIdentify(const std::string& path) {
  if (path.size() < 4 || path.substr(path.size() - 4) != ".wav") return nullptr;
  if (!std::filesystem::is_regular_file(path)) return nullptr;
  auto track = std::make_unique<decoders::TrackInfo>();
  track->path = path;
  track->frequency = 8000;
  track->length = 8000 * 10;
  return track;
}

struct Loaded {
  Playlist playlist;
  std::vector<PlaylistEntry*> rows;

  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    for (const PlaylistEntry* e : rows) paths.push_back(Entry_GetField(e, kFieldFilePath));
    return paths;
  }
};

void Load(Loaded& loaded, const std::string& name, bool no_playlist = false) {
  loaded.playlist.identify = FakeIdentify;
  PlaylistLoader loader(
      loaded.playlist,
      [&](PlaylistEntry* entry, int position) {
        if (position < 0 || position > static_cast<int>(loaded.rows.size()))
          position = static_cast<int>(loaded.rows.size());
        loaded.rows.insert(loaded.rows.begin() + position, entry);
        return position;
      },
      {}, "#?.plst");
  loader.AddPathRecursive(name, no_playlist, -1);
}

size_t OpenDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

}  // namespace

TEST(PlaylistFiles, ReadsNestedRelativeAndCdLines) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("sub"));
  for (const char* song : {"a.wav", "b.wav", "sub/c.wav", "sub/d.wav"}) WriteTextFile(dir.File(song), "x");
  WriteTextFile(dir.File("sub/inner.plst"), "c.wav\nd.wav\tTITLE=Dee\tDURATION=185\n");
  WriteTextFile(dir.File("outer.plst"),
                "a.wav\nsub/inner.plst\n" + dir.File("b.wav") +
                    "\nID0300A1B20C3D4E-02\tTITLE=Track two\n/gone.wav\tTITLE=Kept\n"
                    "missing.wav\nb.wav\x01\nnever.wav\n");
  Loaded loaded;
  Load(loaded, dir.File("outer.plst"));
  EXPECT_EQ(loaded.Paths(),
            (std::vector<std::string>{dir.File("a.wav"), dir.File("sub/c.wav"), dir.File("sub/d.wav"),
                                      dir.File("b.wav"), "ID0300A1B20C3D4E-02", "/gone.wav"}));
  EXPECT_EQ(Entry_GetField(loaded.rows[2], kFieldTitle), "Dee");
  EXPECT_EQ(Entry_GetField(loaded.rows[2], kFieldDuration), "03:05");
  EXPECT_EQ(Entry_GetField(loaded.rows[5], kFieldTitle), "Kept");
}

TEST(PlaylistFiles, SaveAndReloadRoundTrips) {
  TempDir dir;
  Playlist p;
  std::vector<const PlaylistEntry*> rows;
  auto tagged = std::make_unique<decoders::TrackInfo>();
  tagged->path = dir.File("a.wav");
  std::strcpy(tagged->title, "Tab\tin\nnew");
  std::strcpy(tagged->artist, "Someone");
  rows.push_back(Playlist_AddTrack(p, std::move(tagged)));
  rows.push_back(Playlist_AddStored(p, dir.File("b.wav") + "\tTITLE=ARTIST=no\tYEAR=2001"));
  // Lines around the 256-character limit: trailing fields go, the path never does.
  const std::string folder = dir.File(std::string(100, 'd'));
  std::filesystem::create_directory(folder);
  for (const size_t length : {255u, 256u, 257u, 300u}) {
    const std::string path = folder + "/" + std::string(length - folder.size() - 5, 'p') + ".wav";
    WriteTextFile(path, "x");
    rows.push_back(Playlist_AddStored(p, path + "\tTITLE=t"));
  }
  const std::string saved = dir.File("list.plst");
  ASSERT_EQ(Playlist_Save(rows, saved, {}), 1);
  const std::string text = testsupport::ReadTextFile(saved);
  EXPECT_NE(text.find(dir.File("a.wav") + "\tDURATION=00:00\tTITLE=Tab in new\tARTIST=Someone\n"), std::string::npos);
  bool cut = false;
  EXPECT_EQ(Entry_FormatLine(rows[5], &cut).size(), 300u);
  EXPECT_TRUE(cut);

  Loaded loaded;
  Load(loaded, saved);
  ASSERT_EQ(loaded.rows.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(Entry_GetField(loaded.rows[i], kFieldFilePath), Entry_GetField(rows[i], kFieldFilePath));
  }
  EXPECT_EQ(Entry_GetField(loaded.rows[1], kFieldTitle), "ARTIST=no");
  EXPECT_EQ(Entry_GetField(loaded.rows[1], kFieldArtist), "");
  EXPECT_EQ(Entry_GetField(loaded.rows[1], kFieldYear), "2001");

  // The overwrite question can keep the old file.
  EXPECT_EQ(Playlist_Save({}, saved, [](const std::string&) { return false; }), 0);
  EXPECT_EQ(testsupport::ReadTextFile(saved), text);
}

TEST(PlaylistFiles, FailedSaveKeepsTheOldFile) {
  TempDir dir;
  const std::string saved = dir.File("old.plst");
  WriteTextFile(saved, "/old.wav\n");
  Playlist p;
  std::vector<const PlaylistEntry*> rows;
  for (int i = 0; i < 2000; ++i) rows.push_back(Playlist_AddStored(p, "/x" + std::to_string(i) + ".wav\tTITLE=t"));
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024, 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(Playlist_Save(rows, saved, {}) == 1 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(testsupport::ReadTextFile(saved), "/old.wav\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(PlaylistFiles, LoopsFifosAndDeepTreesEnd) {
  TempDir dir;
  WriteTextFile(dir.File("song.wav"), "x");
  WriteTextFile(dir.File("self.plst"), "song.wav\nself.plst\nother.plst\n");
  WriteTextFile(dir.File("other.plst"), "self.plst\nsong.wav\n");
  ASSERT_EQ(::mkfifo(dir.File("pipe.wav").c_str(), 0600), 0);
  std::filesystem::create_directories(dir.File("tree/loop"));
  std::filesystem::create_directory_symlink(dir.File("tree"), dir.File("tree/loop/back"));
  std::string deep = dir.File("deep");
  for (int i = 0; i < 200; ++i) deep += "/d";
  std::filesystem::create_directories(deep);
  WriteTextFile(deep + "/bottom.wav", "x");

  const size_t fds_before = OpenDescriptors();
  Loaded loaded;
  Load(loaded, dir.path());  // the watchdog is the test's own timeout
  // song.wav directly, once from self.plst, once from other.plst inside self.plst,
  // and the two lines of other.plst read on its own; the FIFO and the deep file never.
  for (const std::string& path : loaded.Paths()) EXPECT_EQ(path, dir.File("song.wav"));
  EXPECT_GE(loaded.rows.size(), 3u);
  EXPECT_EQ(OpenDescriptors(), fds_before);
}

TEST(PlaylistFiles, ForeignListsLoad) {
  TempDir dir;
  for (const char* song : {"a.wav", "b.wav", "c d.wav"}) WriteTextFile(dir.File(song), "x");
  ASSERT_EQ(testsupport::Run("cd " + testsupport::ShellQuote(dir.path()) +
                             " && find . -name '*.wav' | sort > found.m3u").exit_code, 0);
  WriteTextFile(dir.File("ext.m3u8"), "#EXTM3U\r\n#EXTINF:10,Artist - Title\r\nb.wav\r\n" +
                                          std::string("file://") + dir.File("c%20d.wav") + "\r\n");
  WriteTextFile(dir.File("list.pls"), "[playlist]\nFile2=b.wav\nTitle2=B\nFile1=" +
                                          dir.File("a.wav") + "\nNumberOfEntries=2\nVersion=2\n");
  for (const auto& [list, expected] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"found.m3u", {"a.wav", "b.wav", "c d.wav"}},
           {"ext.m3u8", {"b.wav", "c d.wav"}},
           {"list.pls", {"a.wav", "b.wav"}}}) {
    Loaded loaded;
    Load(loaded, dir.File(list));
    std::vector<std::string> want;
    for (const std::string& name : expected) want.push_back(dir.File(name));
    EXPECT_EQ(loaded.Paths(), want) << list;
  }
}
