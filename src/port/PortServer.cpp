#include "port/PortServer.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "port/PortPaths.h"

namespace port {

namespace {

constexpr size_t kReadChunk = 1 << 16;
constexpr int kReadsPerTurn = 16;  // so one flooding client cannot hold the loop

}  // namespace

PortServer::PortServer(player::PlayerController& player, std::ostream& unknown_out,
                       const PortServerOptions& options)
    : player_(player), table_(player, unknown_out), options_(options) {
  if (options_.folder.empty()) options_.folder = DefaultPortFolder();
}

std::unique_ptr<PortServer> PortServer::Open(player::PlayerController& player,
                                             std::ostream& unknown_out,
                                             const PortServerOptions& options, std::string* error) {
  std::unique_ptr<PortServer> server(new PortServer(player, unknown_out, options));
  if (!PreparePortFolder(server->options_.folder, error)) return nullptr;
  if (!server->Bind(error)) return nullptr;
  if (!server->SetUpPolling()) {
    *error = std::string("command port: ") + std::strerror(errno);
    return nullptr;
  }
  player.AddListener(server.get());
  return server;
}

PortServer::~PortServer() {
  if (!listener_.valid()) return;
  player_.RemoveListener(this);
  struct stat info {};
  if (lstat(path_.c_str(), &info) == 0 && info.st_ino == socket_inode_) unlink(path_.c_str());
}

bool PortServer::Bind(std::string* error) {
  for (int number = 1; number <= options_.max_instances; ++number) {
    if (BindNumber(number)) return true;
  }
  *error = "command port: no free number in " + options_.folder;
  return false;
}

bool PortServer::BindNumber(int number) {
  const std::string path = PortSocketPath(options_.folder, number);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

  struct stat info {};
  if (lstat(path.c_str(), &info) == 0) {
    if (!S_ISSOCK(info.st_mode)) return false;
    const int live = ConnectToPort(path);
    if (live >= 0) {
      close(live);
      return false;  // another instance answers on this number
    }
    unlink(path.c_str());  // stale: its instance is gone
  }
  platform::UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return false;
  if (bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return false;
  }
  // The folder already keeps others out; the mode says the same of the socket.
  if (chmod(path.c_str(), 0600) != 0 || listen(fd.get(), SOMAXCONN) != 0 ||
      lstat(path.c_str(), &info) != 0) {
    unlink(path.c_str());
    return false;
  }
  socket_inode_ = info.st_ino;
  path_ = path;
  number_ = number;
  listener_ = std::move(fd);
  return true;
}

bool PortServer::SetUpPolling() {
  epoll_ = platform::UniqueFd(epoll_create1(EPOLL_CLOEXEC));
  timer_ = platform::UniqueFd(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
  if (!epoll_.valid() || !timer_.valid()) return false;
  // Idle clients are looked at a few times per idle limit.
  const auto tick =
      std::clamp<std::chrono::milliseconds::rep>(options_.idle_limit.count() / 4, 10, 1000);
  itimerspec period{};
  period.it_interval.tv_sec = tick / 1000;
  period.it_interval.tv_nsec = (tick % 1000) * 1000000;
  period.it_value = period.it_interval;
  if (timerfd_settime(timer_.get(), 0, &period, nullptr) != 0) return false;
  for (const int fd : {listener_.get(), timer_.get()}) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    if (epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, fd, &event) != 0) return false;
  }
  return true;
}

void PortServer::Serve() {
  epoll_event events[64];
  int ready = 0;
  while ((ready = epoll_wait(epoll_.get(), events, 64, 0)) > 0) {
    for (int i = 0; i < ready; ++i) {
      const int fd = events[i].data.fd;
      if (fd == listener_.get()) {
        AcceptAll();
      } else if (fd == timer_.get()) {
        uint64_t expirations = 0;
        if (read(timer_.get(), &expirations, sizeof expirations) < 0) continue;
        DropIdleClients();
      } else if (auto found = clients_.find(fd); found != clients_.end()) {
        Client& client = found->second;
        if (events[i].events & EPOLLOUT) Flush(client);
        if (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR | EPOLLRDHUP)) ReadFrom(client);
      }
    }
    ReapClosed();
    if (ready < 64) break;
  }
  ReapClosed();
}

void PortServer::AcceptAll() {
  for (;;) {
    platform::UniqueFd fd(accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd.valid()) return;
    // The folder's mode is the first gate; this is the one that holds on its own.
    if (PeerUid(fd.get()) != static_cast<long>(geteuid())) continue;
    AdmitClient(std::move(fd));
  }
}

void PortServer::AdmitClient(platform::UniqueFd fd) {
  if (clients_.size() >= options_.max_clients) {
    // The client that has been silent longest makes room; watchers are kept.
    auto oldest = clients_.end();
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
      if (it->second.watching || it->second.closing) continue;
      if (oldest == clients_.end() || it->second.last_input < oldest->second.last_input) {
        oldest = it;
      }
    }
    if (oldest == clients_.end()) return;
    clients_.erase(oldest);
  }
  epoll_event event{};
  event.events = EPOLLIN | EPOLLRDHUP;
  event.data.fd = fd.get();
  if (epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, fd.get(), &event) != 0) return;
  const int key = fd.get();
  Client& client = clients_[key];
  client.fd = std::move(fd);
  client.last_input = std::chrono::steady_clock::now();
}

void PortServer::ReadFrom(Client& client) {
  char buffer[kReadChunk];
  for (int reads = 0; reads < kReadsPerTurn && !client.closing; ++reads) {
    const ssize_t got = recv(client.fd.get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (got > 0) {
      client.in.append(buffer, static_cast<size_t>(got));
      client.last_input = std::chrono::steady_clock::now();
      HandleLines(client);
      continue;
    }
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (got < 0 && errno == EINTR) continue;
    client.closing = true;  // end of stream or a broken connection
  }
}

void PortServer::HandleLines(Client& client) {
  size_t start = 0;
  for (size_t end; !client.closing && (end = client.in.find('\n', start)) != std::string::npos;
       start = end + 1) {
    std::string_view line(client.in.data() + start, end - start);
    if (line.size() > options_.max_line) break;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    HandleLine(client, line);
  }
  client.in.erase(0, start);
  if (!client.closing && client.in.size() > options_.max_line) {
    Send(client, FormatReply(PortReply{kRcBadCommand, {}}));
    client.in.clear();
    client.closing = true;
  }
}

void PortServer::HandleLine(Client& client, std::string_view line) {
  if (CommandTable::IsCommand(line, "watch")) {
    client.watching = true;
    Send(client, FormatReply(PortReply{}));
    return;
  }
  Send(client, FormatReply(table_.Execute(line)));
}

void PortServer::Send(Client& client, const std::string& line) {
  client.out += line;
  client.out += '\n';
  Flush(client);
  if (client.out.size() > options_.max_pending_output) client.closing = true;
}

void PortServer::Flush(Client& client) {
  while (!client.out.empty()) {
    const ssize_t sent =
        send(client.fd.get(), client.out.data(), client.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      client.out.erase(0, static_cast<size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    client.closing = true;  // the client went away
    client.out.clear();
    break;
  }
  UpdateInterest(client, !client.out.empty());
}

void PortServer::UpdateInterest(Client& client, bool want_write) {
  if (client.want_write == want_write || client.closing) return;
  epoll_event event{};
  event.events = EPOLLIN | EPOLLRDHUP | (want_write ? EPOLLOUT : 0u);
  event.data.fd = client.fd.get();
  if (epoll_ctl(epoll_.get(), EPOLL_CTL_MOD, client.fd.get(), &event) == 0) {
    client.want_write = want_write;
  }
}

void PortServer::Broadcast(const std::string& event) {
  for (auto& [fd, client] : clients_) {
    if (client.watching && !client.closing) Send(client, event);
  }
}

void PortServer::DropIdleClients() {
  const auto limit = std::chrono::steady_clock::now() - options_.idle_limit;
  for (auto& [fd, client] : clients_) {
    if (!client.watching && client.last_input < limit) client.closing = true;
  }
}

void PortServer::ReapClosed() {
  std::erase_if(clients_, [](const auto& entry) { return entry.second.closing; });
}

void PortServer::AddPollFds(std::vector<pollfd>& fds) { fds.push_back({fd(), POLLIN, 0}); }

void PortServer::HandlePollFds(const std::vector<pollfd>&) { Serve(); }

void PortServer::OnStateChanged(player::PlayState state) {
  Broadcast(std::string("EVENT STATE ") + StateWord(state));
}

void PortServer::OnSongChanged(int row) { Broadcast("EVENT SONG " + std::to_string(row + 1)); }

void PortServer::OnPlaylistChanged(int rows) {
  Broadcast("EVENT PLAYLIST " + std::to_string(rows));
}

void PortServer::OnQuitRequested() { Broadcast("EVENT QUIT"); }

}  // namespace port
