// The main task's loop without windows: waits on the engine's notification, the
// break signal, the 250 ms tick and any descriptors its sources (the command
// port, desktop control) want watched, and hands each to the player core.
#pragma once

#include <poll.h>

#include <vector>

#include "platform/Signals.h"
#include "player/PlayerCore.h"

namespace player {

// Something the loop watches besides the signals: it adds its descriptors before
// each wait and handles them after.
class PollSource {
 public:
  virtual ~PollSource() = default;
  virtual void AddPollFds(std::vector<pollfd>& fds) = 0;
  // fds holds exactly what AddPollFds added, with revents filled in.
  virtual void HandlePollFds(const std::vector<pollfd>& fds) = 0;
};

struct MainLoopConfig {
  platform::Signals* signals = nullptr;
  uint32_t engine_bit = 0;
  uint32_t break_bit = platform::Signals::kBreakC;
  // End when the list has played out (the headless run with names); otherwise
  // run until quit or break.
  bool end_when_idle = false;
};

class MainLoop : public PlayerListener {
 public:
  MainLoop(PlayerCore& core, const MainLoopConfig& config);
  ~MainLoop() override;
  void AddSource(PollSource* source) { sources_.push_back(source); }
  // Runs until quit, break, or (when asked) the end of the list.
  void Run();
  void OnQuitRequested() override { quit_ = true; }

 private:
  void WaitOnce(int timeout_ms);

  PlayerCore& core_;
  MainLoopConfig config_;
  std::vector<PollSource*> sources_;
  bool quit_ = false;
};

}  // namespace player
