// The CD poll in the main loop: every 20th tick the player core asks for a
// disc-change check, which runs on the poller's own thread; the loop watches the
// poller's descriptor and hands the result back to the core on the main task
// (disc in: its tracks added; disc out or changed: the CD rows removed, the
// playing one stopped first).
#pragma once

#include <vector>

#include "cdda/CdPoller.h"
#include "player/MainLoop.h"
#include "player/PlayerCore.h"

namespace player {

class DiscPollSource final : public PollSource {
 public:
  explicit DiscPollSource(PlayerCore& core);  // installs the core's poll hook
  ~DiscPollSource() override;                 // removes it
  DiscPollSource(const DiscPollSource&) = delete;
  DiscPollSource& operator=(const DiscPollSource&) = delete;

  void AddPollFds(std::vector<pollfd>& fds) override;
  void HandlePollFds(const std::vector<pollfd>& fds) override;

  cdda::CdPoller& poller() { return poller_; }

 private:
  PlayerCore& core_;
  cdda::CdPoller poller_;
};

}  // namespace player
