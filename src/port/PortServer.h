// The command port's server: a Unix-domain socket in the user's own 0700 folder,
// served from the main task's loop. Each line in gets one reply line out; a
// client that sent "watch" also gets one "EVENT ..." line per player change.
//
// No thread of its own: the loop polls fd() for reading and calls Serve(), so the
// commands run on the main task between its other work.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "player/MainLoop.h"
#include "player/PlayerController.h"
#include "port/CommandTable.h"
#include "platform/UniqueFd.h"

namespace port {

struct PortServerOptions {
  std::string folder;                           // empty: DefaultPortFolder()
  size_t max_line = 4096;                       // longer lines answer RC=10 and drop the client
  size_t max_clients = 64;                      // past it the longest idle client makes room
  size_t max_pending_output = 1 << 16;          // a client that reads no replies is dropped past it
  std::chrono::milliseconds idle_limit{60000};  // silent non-watching clients are dropped
  int max_instances = 99;                       // numbers tried from 1
};

class PortServer final : public player::PlayerListener, public player::PollSource {
 public:
  // Takes the first free "TUNEWRIGHT.<n>" in the folder (replacing a stale socket
  // nothing answers on). Null with a reason in error when the folder is unsafe or
  // no number is free.
  static std::unique_ptr<PortServer> Open(player::PlayerController& player,
                                          std::ostream& unknown_out,
                                          const PortServerOptions& options, std::string* error);
  // Drops the clients and removes the socket.
  ~PortServer() override;
  PortServer(const PortServer&) = delete;
  PortServer& operator=(const PortServer&) = delete;

  // Readable when Serve() has work to do (connections, lines, timers).
  int fd() const { return epoll_.get(); }
  // Handles all that is ready without blocking. Not to be called from a handler.
  void Serve();

  const std::string& path() const { return path_; }
  int number() const { return number_; }
  size_t client_count() const { return clients_.size(); }

  // As a source of the headless main loop: watches fd() and serves every turn.
  void AddPollFds(std::vector<pollfd>& fds) override;
  void HandlePollFds(const std::vector<pollfd>& fds) override;

  void OnStateChanged(player::PlayState state) override;
  void OnSongChanged(int row) override;
  void OnPlaylistChanged(int rows) override;
  void OnQuitRequested() override;

 private:
  struct Client {
    platform::UniqueFd fd;
    std::string in;   // bytes of an unfinished line
    std::string out;  // reply bytes the socket did not take yet
    std::chrono::steady_clock::time_point last_input;
    bool watching = false;
    bool closing = false;  // dropped at the end of the current turn
    bool want_write = false;
  };

  PortServer(player::PlayerController& player, std::ostream& unknown_out,
             const PortServerOptions& options);
  bool Bind(std::string* error);
  bool BindNumber(int number);
  bool SetUpPolling();

  void AcceptAll();
  void AdmitClient(platform::UniqueFd fd);
  void ReadFrom(Client& client);
  void HandleLines(Client& client);
  void HandleLine(Client& client, std::string_view line);
  void Send(Client& client, const std::string& line);
  void Flush(Client& client);
  void UpdateInterest(Client& client, bool want_write);
  void Broadcast(const std::string& event);
  void DropIdleClients();
  void ReapClosed();

  player::PlayerController& player_;
  CommandTable table_;
  PortServerOptions options_;
  std::string path_;
  int number_ = 0;
  unsigned long socket_inode_ = 0;  // so the socket is removed only while it is ours
  platform::UniqueFd listener_;
  platform::UniqueFd epoll_;
  platform::UniqueFd timer_;
  std::map<int, Client> clients_;  // by descriptor
};

}  // namespace port
