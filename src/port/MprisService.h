// Desktop control: "org.mpris.MediaPlayer2.tunewright" on the session bus, so
// media keys and desktop widgets drive the same player as the command port.
//
// Served from the main task's loop like the port: poll fd() for events() (or
// until TimeoutMs() passes) and call Serve(). Built without sdbus-c++, Open()
// always answers null.
#pragma once

#include <memory>

#include "player/MainLoop.h"
#include "player/PlayerController.h"

namespace port {

class MprisService final : public player::PlayerListener, public player::PollSource {
 public:
  // Null when there is no session bus (or the name is taken): the player then
  // simply goes without desktop control, silently.
  static std::unique_ptr<MprisService> Open(player::PlayerController& player);
  ~MprisService() override;
  MprisService(const MprisService&) = delete;
  MprisService& operator=(const MprisService&) = delete;

  int fd() const;
  short events() const;
  // Milliseconds until Serve() is due even without events; -1 for none.
  int TimeoutMs() const;
  // Handles every pending bus message without blocking.
  void Serve();

  // As a source of the headless main loop: watches fd() and serves every turn.
  void AddPollFds(std::vector<pollfd>& fds) override;
  void HandlePollFds(const std::vector<pollfd>& fds) override;

  void OnStateChanged(player::PlayState state) override;
  void OnSongChanged(int row) override;
  void OnSongInfoChanged(const player::SongInfo& info) override;  // tags edited
  void OnLevelChanged(player::Level level, int32_t value) override;
  void OnSpeedChanged(double percent) override;

  struct Impl;

 private:
  explicit MprisService(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace port
