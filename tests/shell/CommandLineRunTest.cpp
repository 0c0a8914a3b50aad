#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/Utf8.h"
#include "shell/CommandLineRun.h"
#include "support/TestSupport.h"

using decoders::TrackInfo;
using decoders::TrackPtr;

namespace {

constexpr uint32_t kEngineBit = 1u << 20;

// Plays each song for a fixed time on its own thread, then reports state 4.
class FakeEngine : public shell::PlaybackEngine {
 public:
  FakeEngine(platform::Signals& main, std::chrono::milliseconds song) : main_(main), song_(song) {}
  ~FakeEngine() override { Join(); }

  bool Play(const TrackInfo& track) override {
    Join();
    played.push_back(track.path);
    if (track.path.find("refused") != std::string::npos) return false;
    state_ = 1;
    stopped_ = false;
    player_ = std::thread([this] {
      std::unique_lock lock(mutex_);
      if (!stop_cond_.wait_for(lock, song_, [this] { return stopped_; })) {
        state_ = 4;
        main_.Signal(kEngineBit);
      }
    });
    return true;
  }
  void Stop() override {
    ++stops;
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    stop_cond_.notify_all();
    Join();
    state_ = 3;
  }
  int GetState() override { return state_; }

  std::vector<std::string> played;
  int stops = 0;

 private:
  void Join() {
    if (player_.joinable()) player_.join();
  }
  platform::Signals& main_;
  std::chrono::milliseconds song_;
  std::atomic<int> state_{3};
  std::mutex mutex_;
  std::condition_variable stop_cond_;
  bool stopped_ = false;  // protected by mutex_
  std::thread player_;
};

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Any name ending in ".wav" is a 3-minute stereo song; ".au" is a format recognised
// but not played.
TrackPtr FakeIdentify(const std::string& path, std::string* unsupported) {
  if (EndsWith(path, ".au")) *unsupported = "A-law AU";
  if (!EndsWith(path, ".wav")) return nullptr;
  auto track = std::make_unique<TrackInfo>();
  track->path = path;
  track->frequency = 44100;
  track->length = 180 * 44100;
  track->bits = 16;
  track->stereo = 1;
  platform::CopyField(track->type_text, "RIFF-WAVE");
  return track;
}

struct Harness {
  explicit Harness(std::chrono::milliseconds song = std::chrono::milliseconds(5))
      : engine(signals, song) {
    out = std::tmpfile();
    run.identify = FakeIdentify;
    run.engine = &engine;
    run.signals = &signals;
    run.engine_bit = kEngineBit;
    run.out = out;
  }
  ~Harness() { std::fclose(out); }
  std::string Output() {
    std::fflush(out);
    std::rewind(out);
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) text.append(buffer, n);
    return text;
  }

  platform::Signals signals;
  FakeEngine engine;
  shell::CommandLineRun run;
  std::FILE* out;
};

}  // namespace

TEST(CommandLineRun, PlaysSongsAndPlaylistsInOrder) {
  testsupport::TempDir dir;
  const std::string list = dir.File("list.txt");
  testsupport::WriteTextFile(list, "b.wav\nc.wav\tcomment\n\nd.wav\n");
  Harness h;
  const shell::CommandLineOutcome outcome =
      shell::RunCommandLine(h.run, {"a.wav", list, dir.File("missing"), "refused.wav"});
  EXPECT_FALSE(outcome.broken);
  EXPECT_TRUE(outcome.failed);
  // The empty line ends the playlist: d.wav is never reached.
  EXPECT_EQ(h.engine.played,
            (std::vector<std::string>{"a.wav", "b.wav", "c.wav", "refused.wav"}));
  EXPECT_EQ(h.engine.stops, 3);
  // A song the engine refuses gets no song line: it did not play.
  EXPECT_EQ(h.Output(), "03:00 RIFF-WAVE 44100Hz 16 bits stereo 'a.wav'\n"
                        "03:00 RIFF-WAVE 44100Hz 16 bits stereo 'b.wav'\n"
                        "03:00 RIFF-WAVE 44100Hz 16 bits stereo 'c.wav'\n"
                        "Can't play file '" + dir.File("missing") + "'\n"
                        "Can't play file 'refused.wav'\n");
  Harness good;
  EXPECT_FALSE(shell::RunCommandLine(good.run, {"a.wav", "b.wav"}).failed);
}

TEST(CommandLineRun, NamesThatWouldBlockOrHoldNoSongAreRefusedUnopened) {
  testsupport::TempDir dir;
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socket_path = dir.File("socket");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  testsupport::WriteTextFile(dir.File("empty"), "");
  testsupport::WriteTextFile(dir.File("list.txt"), "a.wav\n" + fifo + "\nb.wav\n");
  // A recognised format that is not played is named, never read as a playlist.
  testsupport::WriteBinaryFile(dir.File("x.au"), {'.', 's', 'n', 'd', 0, 0, 0, 24, 1, 2, 3});

  // Hang guard: should the run open the FIFO, a writer comes after two seconds to let it go.
  std::atomic<bool> done{false};
  std::thread rescuer([&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    while (!done) {
      const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  Harness h;
  const auto start = std::chrono::steady_clock::now();
  const shell::CommandLineOutcome outcome = shell::RunCommandLine(
      h.run, {fifo, socket_path, dir.File("empty"), dir.File("list.txt"), dir.File("x.au")});
  const auto took = std::chrono::steady_clock::now() - start;
  done = true;
  rescuer.join();
  ::close(sock);
  EXPECT_LT(took, std::chrono::seconds(1));
  EXPECT_TRUE(outcome.failed);
  // The list ends at its FIFO line.
  EXPECT_EQ(h.engine.played, std::vector<std::string>{"a.wav"});
  EXPECT_EQ(h.Output(), "Can't play file '" + fifo + "'\n"
                        "Can't play file '" + socket_path + "'\n"
                        "Can't play file '" + dir.File("empty") + "'\n"
                        "03:00 RIFF-WAVE 44100Hz 16 bits stereo 'a.wav'\n"
                        "Can't play file '" + fifo + "'\n"
                        "'" + dir.File("x.au") + "': A-law AU is not supported\n");
}

TEST(CommandLineRun, FoldersPlayTheirSongsSortedAndForeignListsAreRead) {
  testsupport::TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("music").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(dir.File("music/disc 2").c_str(), 0700), 0);
  for (const char* name : {"music/b.wav", "music/a.wav", "music/disc 2/c.wav", "music/cover.jpg"})
    testsupport::WriteTextFile(dir.File(name), "x");
  testsupport::WriteTextFile(dir.File("music/list.m3u"),
                             "#EXTM3U\n#EXTINF:3,B\nb.wav\r\n" + dir.File("music/a.wav") + "\n");
  testsupport::WriteTextFile(dir.File("list.pls"), "[playlist]\nFile2=music/a.wav\nFile1=nope\n");
  ASSERT_EQ(::mkdir(dir.File("nothing").c_str(), 0700), 0);
  Harness h;
  h.run.verbosity = 0;
  const shell::CommandLineOutcome outcome = shell::RunCommandLine(
      h.run, {dir.File("music"), dir.File("music/list.m3u"), dir.File("list.pls"), dir.File("nothing")});
  EXPECT_TRUE(outcome.failed);
  EXPECT_EQ(h.engine.played,
            (std::vector<std::string>{dir.File("music/a.wav"), dir.File("music/b.wav"),
                                      dir.File("music/disc 2/c.wav"), dir.File("music/b.wav"),
                                      dir.File("music/a.wav"), dir.File("music/a.wav")}));
  // Files that are not songs pass in silence inside a folder; a list's bad entry
  // and a folder with no song are reported.
  EXPECT_EQ(h.Output(), "Can't play file 'nope'\nCan't play file '" + dir.File("nothing") + "'\n");
}

TEST(CommandLineRun, TextListNamesAreLookedForBesideTheListFirst) {
  testsupport::TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("lists").c_str(), 0700), 0);
  testsupport::WriteTextFile(dir.File("lists/here.wav"), "x");
  testsupport::WriteTextFile(dir.File("lists/list.txt"), "here.wav\nelsewhere.wav\n");
  testsupport::WriteTextFile(dir.File("lists/lost.txt"), "gone.txt\n");
  Harness h;
  EXPECT_TRUE(
      shell::RunCommandLine(h.run, {dir.File("lists/list.txt"), dir.File("lists/lost.txt")}).failed);
  EXPECT_EQ(h.engine.played,
            (std::vector<std::string>{dir.File("lists/here.wav"), "elsewhere.wav"}));
  // The song line shows the name as the list wrote it; a name found nowhere is reported.
  EXPECT_EQ(h.Output(), "03:00 RIFF-WAVE 44100Hz 16 bits stereo 'here.wav'\n"
                        "03:00 RIFF-WAVE 44100Hz 16 bits stereo 'elsewhere.wav'\n"
                        "Can't play file 'gone.txt'\n");
}

TEST(CommandLineRun, CarriageReturnMakesAPlaylistSuspectAndEndsIt) {
  testsupport::TempDir dir;
  const std::string list = dir.File("dos.txt");
  testsupport::WriteTextFile(list, "a.wav\r\nb.wav\r\n");
  // A UTF-8 name has bytes above 127: they are not control characters.
  const std::string utf8 = dir.File("utf8.txt");
  testsupport::WriteTextFile(utf8, "\xC3\xA9t\xC3\xA9.wav\n");
  Harness h;
  h.run.verbosity = 0;
  EXPECT_TRUE(shell::RunCommandLine(h.run, {list, utf8}).failed);
  EXPECT_EQ(h.engine.played, (std::vector<std::string>{"\xC3\xA9t\xC3\xA9.wav"}));
  EXPECT_EQ(h.Output(), "'" + list + "' is not a valid playlist\n");
}

TEST(CommandLineRun, BreakDuringFirstOfThreeSongsEndsTheRun) {
  Harness h(std::chrono::milliseconds(10000));
  std::thread breaker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    h.signals.Signal(platform::Signals::kBreakC);
  });
  const auto start = std::chrono::steady_clock::now();
  const shell::CommandLineOutcome outcome = shell::RunCommandLine(h.run, {"a.wav", "b.wav", "c.wav"});
  EXPECT_TRUE(outcome.broken);
  EXPECT_FALSE(outcome.failed);
  breaker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(h.engine.played, std::vector<std::string>{"a.wav"});
  EXPECT_EQ(h.engine.stops, 1);
  const std::string output = h.Output();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1);
}

TEST(CommandLineRun, InformationLineNeverDividesByZero) {
  TrackInfo track;
  track.length = 1000;
  platform::CopyField(track.type_text, "AU-ULAW");
  track.bits = 16;
  EXPECT_EQ(shell::FormatInformationLine(track, "x.au"), "00:00 AU-ULAW 0Hz 16 bits 'x.au'\n");
}
