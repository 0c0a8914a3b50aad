#include "player/DiscPoll.h"

namespace player {

DiscPollSource::DiscPollSource(PlayerCore& core) : core_(core) {
  core_.SetDiscPollHook([this] { poller_.Request(); });
}

DiscPollSource::~DiscPollSource() { core_.SetDiscPollHook({}); }

void DiscPollSource::AddPollFds(std::vector<pollfd>& fds) {
  fds.push_back({poller_.ReadyFd(), POLLIN, 0});
}

void DiscPollSource::HandlePollFds(const std::vector<pollfd>& fds) {
  if (fds.empty() || !(fds[0].revents & POLLIN)) return;
  if (auto change = poller_.TakeResult()) core_.ApplyDiscChange(std::move(*change));
}

// The core's side of a disc change: the rows of the old disc go (the engine
// stops first when one of them plays, so it never reads a disc that left), the
// new disc's tracks come in at the bottom.
void PlayerCore::ApplyDiscChange(cdda::DiscChange change) {
  if (change.kind == cdda::DiscChange::kNone) return;
  if (playing_entry_ && Entry_GetField(playing_entry_, kFieldType) == "CDDA") Stop();
  RemoveByType("CDDA");
  if (change.kind == cdda::DiscChange::kNewDisc && !change.tracks.empty()) {
    AddCdTracks(std::move(change.tracks), -1);
    ListChanged();
  } else if (!cd_id_.empty()) {
    cd_id_.clear();
    cd_length_ = 0;
    Notify([](PlayerListener& l) { l.OnDiscChanged(""); });
  }
}

}  // namespace player
