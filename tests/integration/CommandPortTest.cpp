// A headless player driven over its command port by the program's own client
// and by a raw socket that watches its events.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/TestSupport.h"

using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

class HeadlessPlayer {
 public:
  explicit HeadlessPlayer(const TempDir& dir) : dir_(dir) {
    std::filesystem::create_directories(dir.File("run"));
    std::filesystem::permissions(dir.File("run"), std::filesystem::perms::owner_all);
    pid_ = ::fork();
    if (pid_ == 0) {
      SetEnvironment();
      const std::string program = testsupport::BuiltProgram("tunewright");
      ::execl(program.c_str(), "tunewright", "--headless", nullptr);
      ::_exit(127);
    }
    // Ready once the socket exists.
    for (int i = 0; i < 200 && !std::filesystem::exists(Socket()); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ~HeadlessPlayer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  std::string Socket() const { return dir_.File("run/tunewright/TUNEWRIGHT.1"); }
  // A client that hangs is ended after ten seconds (and then fails the test).
  testsupport::CommandResult Send(const std::string& args) const {
    return testsupport::Run(Environment() + "timeout 10 " +
                            testsupport::BuiltProgram("tunewright") + " " + args);
  }
  int WaitExit() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  std::string Environment() const {
    return "XDG_RUNTIME_DIR=" + ShellQuote(dir_.File("run")) + " TUNEWRIGHT_HOME=" +
           ShellQuote(dir_.File("home")) + " TUNEWRIGHT_OUTPUT=null ";
  }
  void SetEnvironment() const {
    ::setenv("XDG_RUNTIME_DIR", dir_.File("run").c_str(), 1);
    ::setenv("TUNEWRIGHT_HOME", dir_.File("home").c_str(), 1);
    ::setenv("TUNEWRIGHT_OUTPUT", "null", 1);
  }
  const TempDir& dir_;
  pid_t pid_ = -1;
};

int Connect(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Reads until text holds needle or the time is up.
std::string ReadUntil(int fd, const std::string& needle, std::chrono::seconds limit) {
  std::string text;
  timeval timeout{0, 200000};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  const auto end = std::chrono::steady_clock::now() + limit;
  char buffer[1024];
  while (text.find(needle) == std::string::npos && std::chrono::steady_clock::now() < end) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

}  // namespace

TEST(CommandPort, ClientDrivesAHeadlessPlayerAndWatchesItsSongs) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  std::vector<std::string> songs;
  for (int i = 0; i < 3; ++i) {
    songs.push_back(dir.File("song" + std::to_string(i) + ".wav"));
    ASSERT_EQ(testsupport::Run("sox -n -b 16 -r 8000 -c 1 " + ShellQuote(songs.back()) +
                               " synth 0.4 sine 440 2>/dev/null").exit_code, 0);
  }
  HeadlessPlayer player(dir);
  ASSERT_TRUE(std::filesystem::exists(player.Socket()));
  EXPECT_EQ(std::filesystem::status(player.Socket()).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  const int watcher = Connect(player.Socket());
  ASSERT_GE(watcher, 0);
  ASSERT_EQ(::send(watcher, "watch\n", 6, MSG_NOSIGNAL), 6);
  ReadUntil(watcher, "RC=0", std::chrono::seconds(5));

  auto result = player.Send("--send " + ShellQuote("add " + songs[0] + " " + songs[1] + " " + songs[2]) +
                            " --send get_count --send play --send get_name");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "3\nsong0.wav\n");
  // The three songs follow each other; the watcher hears each start.
  const std::string events = ReadUntil(watcher, "EVENT SONG 3", std::chrono::seconds(10));
  EXPECT_NE(events.find("EVENT STATE PLAY"), std::string::npos) << events;
  EXPECT_LT(events.find("EVENT SONG 1"), events.find("EVENT SONG 2")) << events;
  EXPECT_LT(events.find("EVENT SONG 2"), events.find("EVENT SONG 3")) << events;
  // One SONG per song and no STOP between songs that follow each other.
  EXPECT_EQ(events.find("EVENT STATE STOP"), std::string::npos) << events;
  EXPECT_EQ(events.find("EVENT SONG 2"), events.rfind("EVENT SONG 2")) << events;
  ::close(watcher);

  EXPECT_EQ(player.Send("--send nonsense").exit_code, 10);
  // Every line is answered: an empty command at once, names that are not there
  // with RC=10 and nothing listed.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(player.Send("--send '' --send ' '").exit_code, 10);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  const int raw = Connect(player.Socket());
  ASSERT_GE(raw, 0);
  ASSERT_EQ(::send(raw, "\n", 1, MSG_NOSIGNAL), 1);
  EXPECT_EQ(ReadUntil(raw, "\n", std::chrono::seconds(2)), "RC=10\n");
  ::close(raw);
  EXPECT_EQ(player.Send("--send " + ShellQuote("add " + dir.File("missing.wav"))).exit_code, 10);
  EXPECT_EQ(player.Send("--send " + ShellQuote("open " + dir.File("missing.wav"))).exit_code, 10);
  EXPECT_EQ(player.Send("--send get_count").out, "3\n");
  EXPECT_EQ(player.Send("--send quit").exit_code, 0);
  EXPECT_EQ(player.WaitExit(), 0);
  EXPECT_FALSE(std::filesystem::exists(player.Socket()));
  EXPECT_NE(player.Send("--send get_state").exit_code, 0);  // nobody answers now
}

TEST(CommandPort, SongDatabaseNamesSongsAndThePlayerStateComesBackNextRun) {
  TempDir dir;
  std::vector<std::string> songs;
  for (int i = 0; i < 2; ++i) {
    songs.push_back(dir.File("song" + std::to_string(i) + ".wav"));
    ASSERT_EQ(testsupport::Run("sox -n -b 16 -r 8000 -c 1 " + ShellQuote(songs.back()) +
                               " synth 30 sine 440 2>/dev/null").exit_code, 0);
  }  // long enough that the restored list, played at once, is still on its first song
  std::filesystem::create_directories(dir.File("home"));
  testsupport::WriteTextFile(dir.File("home/Tunewright.aub"),
                             "[GENRE]\n[ARTIST]\n1=Database Artist\n[ALBUM]\n[TITLE]\n0 1 0 \"Database Title\" \"" +
                                 songs[0] + "\" 42 \"\" 1999\n");
  {
    HeadlessPlayer player(dir);
    const auto result = player.Send("--send " + ShellQuote("add " + songs[0] + " " + songs[1]) +
                                    " --send " + ShellQuote("volume 100") + " --send " +
                                    ShellQuote("select 1") + " --send get_title --send get_artist");
    EXPECT_EQ(result.out, "Database Title\nDatabase Artist\n");
    EXPECT_EQ(player.Send("--send quit").exit_code, 0);
    EXPECT_EQ(player.WaitExit(), 0);
  }
  ASSERT_TRUE(std::filesystem::exists(dir.File("home/Tunewright.state")));
  HeadlessPlayer player(dir);
  EXPECT_EQ(player.Send("--send get_count --send get_volume --send get_title").out,
            "2\n100\nDatabase Title\n");
  EXPECT_EQ(player.Send("--send quit").exit_code, 0);
  EXPECT_EQ(player.WaitExit(), 0);
}
