#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <atomic>
#include <cstring>
#include <sstream>
#include <thread>

#include "FakePlayer.h"
#include "port/PortPaths.h"
#include "port/PortServer.h"
#include "port/SendClient.h"
#include "platform/UniqueFd.h"
#include "support/TestSupport.h"

namespace {

using port::PortServer;
using platform::UniqueFd;
using porttest::FakePlayer;
using testsupport::TempDir;

// Runs the server's share of a main loop on a thread of its own while the test
// plays the clients; the player is touched only by that thread until Stop().
class ServingLoop {
 public:
  explicit ServingLoop(PortServer& server)
      : thread_([this, &server] {
          while (!stop_) {
            pollfd ready{server.fd(), POLLIN, 0};
            if (poll(&ready, 1, 10) > 0) server.Serve();
          }
        }) {}
  ~ServingLoop() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

UniqueFd Connect(const std::string& path) {
  UniqueFd fd(port::ConnectToPort(path));
  timeval limit{5, 0};
  setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  return fd;
}

void Write(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent <= 0) return;  // the server may drop a hostile client midway
    done += static_cast<size_t>(sent);
  }
}

// One line without its newline; "<eof>" when the server closed first.
std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (recv(fd, &c, 1, 0) == 1) {
    if (c == '\n') return line;
    line += c;
  }
  return "<eof>";
}

std::string Ask(int fd, const std::string& command) {
  Write(fd, command + "\n");
  return ReadLine(fd);
}

class PortServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.songs = {{"One", "Ann", 60}, {"Two", "Bob", 70}, {"Three", "Cy", 80}};
    options.folder = dir.File("tunewright");
    server = Open();
    ASSERT_TRUE(server) << error;
  }
  std::unique_ptr<PortServer> Open() { return PortServer::Open(fake, unknown, options, &error); }
  TempDir dir;
  FakePlayer fake;
  std::ostringstream unknown;
  port::PortServerOptions options;
  std::string error;
  std::unique_ptr<PortServer> server;
};

TEST_F(PortServerTest, FolderAndSocketAreOwnerOnly) {
  struct stat info {};
  ASSERT_EQ(lstat(options.folder.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  EXPECT_EQ(info.st_uid, geteuid());
  EXPECT_EQ(server->path(), options.folder + "/TUNEWRIGHT.1");
  ASSERT_EQ(lstat(server->path().c_str(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // A folder others may enter, or a symlink to ours, is refused.
  port::PortServerOptions loose = options;
  loose.folder = dir.File("loose");
  ASSERT_EQ(mkdir(loose.folder.c_str(), 0755), 0);
  EXPECT_FALSE(PortServer::Open(fake, unknown, loose, &error));
  loose.folder = dir.File("link");
  ASSERT_EQ(symlink(options.folder.c_str(), loose.folder.c_str()), 0);
  EXPECT_FALSE(PortServer::Open(fake, unknown, loose, &error));
  ASSERT_EQ(chown(options.folder.c_str(), 65534, 65534), 0);
  EXPECT_FALSE(PortServer::Open(fake, unknown, options, &error));
  ASSERT_EQ(chown(options.folder.c_str(), geteuid(), getegid()), 0);
}

TEST_F(PortServerTest, InstancesNumberThemselvesAndStaleSocketsAreReplaced) {
  auto second = Open();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->number(), 2);
  const std::string second_path = second->path();
  // A socket left by a dead instance answers nothing, so its number is taken again.
  {
    UniqueFd orphan(socket(AF_UNIX, SOCK_STREAM, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = port::PortSocketPath(options.folder, 3);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(bind(orphan.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  auto third = Open();
  ASSERT_TRUE(third);
  EXPECT_EQ(third->number(), 3);
  second.reset();
  EXPECT_NE(access(second_path.c_str(), F_OK), 0);
  auto again = Open();
  ASSERT_TRUE(again);
  EXPECT_EQ(again->number(), 2);
}

TEST_F(PortServerTest, ThreeCommandsInOneWriteGetThreeRepliesInOrder) {
  ServingLoop loop(*server);
  UniqueFd client = Connect(server->path());
  Write(client.get(), "select 2\r\nget_name\nfrobnicate\n\n \t\r\n");
  EXPECT_EQ(ReadLine(client.get()), "RC=0");
  EXPECT_EQ(ReadLine(client.get()), "RC=0 RESULT=Two");
  EXPECT_EQ(ReadLine(client.get()), "RC=10");
  EXPECT_EQ(ReadLine(client.get()), "RC=10");  // an empty line is answered too
  EXPECT_EQ(ReadLine(client.get()), "RC=10");
  EXPECT_EQ(Ask(client.get(), "get_selected"), "RC=0 RESULT=2");
  loop.Stop();
  EXPECT_EQ(unknown.str(), "UNKNOWN REXX COMMAND [frobnicate]\n");
}

TEST_F(PortServerTest, WatchersHearStateAndSongChanges) {
  ServingLoop loop(*server);
  UniqueFd watcher = Connect(server->path());
  UniqueFd driver = Connect(server->path());
  EXPECT_EQ(Ask(watcher.get(), "WATCH"), "RC=0");
  EXPECT_EQ(Ask(driver.get(), "play"), "RC=0");
  EXPECT_EQ(Ask(driver.get(), "next"), "RC=0");
  EXPECT_EQ(Ask(driver.get(), "next"), "RC=0");
  EXPECT_EQ(Ask(driver.get(), "next"), "RC=5");
  EXPECT_EQ(Ask(driver.get(), "stop"), "RC=0");
  for (const char* event :
       {"EVENT SONG 1", "EVENT STATE PLAY", "EVENT SONG 2", "EVENT SONG 3", "EVENT STATE STOP"}) {
    EXPECT_EQ(ReadLine(watcher.get()), event);
  }
  // A watcher still sends commands.
  EXPECT_EQ(Ask(watcher.get(), "get_count"), "RC=0 RESULT=3");
}

TEST_F(PortServerTest, HostileClientsLeaveThePortAnswering) {
  options.max_clients = 32;
  options.idle_limit = std::chrono::milliseconds(300);
  server.reset();
  server = Open();
  ServingLoop loop(*server);

  UniqueFd flood = Connect(server->path());
  const std::string chunk(1 << 20, 'x');
  for (int i = 0; i < 10; ++i) Write(flood.get(), chunk);
  EXPECT_EQ(ReadLine(flood.get()), "RC=10");
  EXPECT_EQ(ReadLine(flood.get()), "<eof>");

  UniqueFd binary = Connect(server->path());
  EXPECT_EQ(Ask(binary.get(), std::string("get_state\0\xff\xfe", 12)), "RC=10");
  EXPECT_EQ(Ask(binary.get(), "\xff\xff\xff"), "RC=10");
  EXPECT_EQ(Ask(binary.get(), "get_state"), "RC=0 RESULT=STOP");

  std::vector<UniqueFd> idle;
  for (int i = 0; i < 500; ++i) idle.push_back(Connect(server->path()));
  for (int i = 0; i < 50; ++i) {
    UniqueFd early = Connect(server->path());
    Write(early.get(), "get_count\nget_total\nget_state\n");
  }
  UniqueFd fresh = Connect(server->path());
  EXPECT_EQ(Ask(fresh.get(), "get_count"), "RC=0 RESULT=3");
  // Silent clients are dropped after the idle limit.
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_EQ(ReadLine(idle.back().get()), "<eof>");
  EXPECT_EQ(Ask(fresh.get(), "get_state"), "<eof>");
  loop.Stop();  // the server belongs to the loop's thread until then
  EXPECT_LE(server->client_count(), options.max_clients);
}

TEST_F(PortServerTest, ClientsOfOtherUsersAreRefusedByTheUidCheck) {
  if (geteuid() != 0 || !testsupport::HaveTool("setpriv") ||
      access("/usr/bin/python3", X_OK) != 0) {
    GTEST_SKIP() << "needs root, setpriv and the system python3";
  }
  // Open the folder and socket up so only the peer check stands in the way.
  ASSERT_EQ(chmod(options.folder.c_str(), 0755), 0);
  ASSERT_EQ(chmod(server->path().c_str(), 0666), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  ServingLoop loop(*server);
  const std::string script =
      "import socket,sys\n"
      "s=socket.socket(socket.AF_UNIX)\n"
      "s.settimeout(5)\n"
      "s.connect(sys.argv[1])\n"
      "print('connected')\n"
      "try:\n"
      "  s.sendall(b'get_state\\n')\n"
      "  print('reply', repr(s.recv(100)))\n"
      "except OSError:\n"
      "  print('reply', repr(b''))\n";
  const auto result = testsupport::Run(
      "setpriv --reuid=65534 --regid=65534 --clear-groups /usr/bin/python3 -c " +
      testsupport::ShellQuote(script) + " " + testsupport::ShellQuote(server->path()));
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "connected\nreply b''\n");
  UniqueFd own = Connect(server->path());
  EXPECT_EQ(Ask(own.get(), "get_state"), "RC=0 RESULT=STOP");
}

TEST_F(PortServerTest, SendClientReturnsTheLastCodeAndQuitRemovesTheSocket) {
  ServingLoop loop(*server);
  std::ostringstream out, err;
  EXPECT_EQ(
      port::RunSendClient({"select 3", "get_name", "get_selected"}, 1, out, err, options.folder),
      0);
  EXPECT_EQ(out.str(), "Three\n3\n");
  out.str("");
  EXPECT_EQ(port::RunSendClient({"get_name", "next"}, 1, out, err, options.folder), 5);
  EXPECT_EQ(port::RunSendClient({"bogus"}, 1, out, err, options.folder), 10);
  EXPECT_EQ(port::RunSendClient({"get_state\nquit"}, 1, out, err, options.folder), 10);
  EXPECT_EQ(port::RunSendClient({""}, 1, out, err, options.folder), 10);
  EXPECT_EQ(port::RunSendClient({" \t", "get_selected"}, 1, out, err, options.folder), 0);
  EXPECT_EQ(port::RunSendClient({"get_state"}, 2, out, err, options.folder),
            port::kNoInstanceExitCode);
  EXPECT_EQ(port::RunSendClient({"quit"}, 1, out, err, options.folder), 0);
  loop.Stop();
  const std::string path = server->path();
  server.reset();  // what the main loop does once quit was asked for
  EXPECT_NE(access(path.c_str(), F_OK), 0);
  EXPECT_EQ(port::RunSendClient({"get_state"}, 1, out, err, options.folder),
            port::kNoInstanceExitCode);
}

}  // namespace
