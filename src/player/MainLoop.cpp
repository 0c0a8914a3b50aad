#include "player/MainLoop.h"

#include <algorithm>
#include <chrono>

namespace player {
namespace {

constexpr auto kTick = std::chrono::milliseconds(250);

}  // namespace

MainLoop::MainLoop(PlayerCore& core, const MainLoopConfig& config) : core_(core), config_(config) {
  core_.AddListener(this);
}

MainLoop::~MainLoop() { core_.RemoveListener(this); }

void MainLoop::Run() {
  auto next_tick = std::chrono::steady_clock::now() + kTick;
  while (!quit_) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= next_tick) {
      core_.Tick(now);
      next_tick = now + kTick;
      if (config_.end_when_idle && !core_.IsPlaying()) return;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next_tick - now);
    WaitOnce(static_cast<int>(std::max<int64_t>(0, wait.count())));
    const uint32_t got = config_.signals->Take(config_.engine_bit | config_.break_bit);
    if (got & config_.break_bit) {
      core_.Stop();
      return;
    }
    if (got & config_.engine_bit) core_.EndOfTrackCheck(std::chrono::steady_clock::now());
  }
}

void MainLoop::WaitOnce(int timeout_ms) {
  std::vector<pollfd> fds;
  fds.push_back({config_.signals->WakeFd(), POLLIN, 0});
  std::vector<size_t> starts;
  for (PollSource* source : sources_) {
    starts.push_back(fds.size());
    source->AddPollFds(fds);
  }
  if (::poll(fds.data(), fds.size(), timeout_ms) <= 0) return;
  if (fds[0].revents) config_.signals->DrainWakeFd();
  for (size_t i = 0; i < sources_.size(); ++i) {
    const size_t end = i + 1 < sources_.size() ? starts[i + 1] : fds.size();
    const std::vector<pollfd> own(fds.begin() + static_cast<long>(starts[i]),
                                  fds.begin() + static_cast<long>(end));
    sources_[i]->HandlePollFds(own);
  }
}

}  // namespace player
