#include "levels/LevelsTask.h"

#include <algorithm>
#include <chrono>

#include "audio/Engine.h"
#include "platform/Threads.h"

namespace levels {
namespace {

constexpr uint32_t kBreak = platform::Signals::kBreakC;
constexpr uint32_t kStarted = platform::Signals::kBreakD;
constexpr uint32_t kPriorityBit = 1u << 1;
constexpr auto kTick = std::chrono::milliseconds(20);

}  // namespace

LevelsSource EngineSource() {
  return {[](audio::OutputSnapshot& out) { return audio::Engine_CopyLastBlock(out); },
          [] { return audio::Engine_GetLoad(); }};
}

LevelsTask::LevelsTask(LevelsSource source, LevelsDisplay display)
    : source_(std::move(source)), display_(std::move(display)) {}

LevelsTask::~LevelsTask() { Stop(); }

void LevelsTask::Start() {
  if (thread_.joinable()) return;
  signals_.Take(kBreak | kPriorityBit);
  thread_ = std::thread([this] { Run(); });
  started_.Wait(kStarted);
}

void LevelsTask::Stop() {
  if (!thread_.joinable()) return;
  signals_.Signal(kBreak);
  thread_.join();
}

bool LevelsTask::Running() const { return thread_.joinable(); }

void LevelsTask::SetOptions(const settings::LevelsSettings& options) {
  {
    std::lock_guard lock(options_mutex_);
    options_ = options;
  }
  signals_.Signal(kPriorityBit);
}

void LevelsTask::SetIconified(bool iconified) { iconified_.store(iconified); }

uint64_t LevelsTask::Updates() const { return updates_.load(); }

settings::LevelsSettings LevelsTask::Options() const {
  std::lock_guard lock(options_mutex_);
  return options_;
}

void LevelsTask::Run() {
  platform::NameThisThread("Tunewright_levels");
  platform::SetThisThreadPriority(Options().priority);
  started_.Signal(kStarted);
  for (;;) {
    const int32_t delay = std::clamp(Options().refresh_delay, 1, 4);
    const uint32_t got = signals_.WaitFor(kBreak | kPriorityBit, kTick * delay);
    if (got & kBreak) return;
    if (got & kPriorityBit) {
      platform::SetThisThreadPriority(Options().priority);
      continue;
    }
    UpdateOnce();
  }
}

void LevelsTask::UpdateOnce() {
  if (iconified_.load()) return;
  const settings::LevelsSettings options = Options();
  const int32_t frames = source_.copy_block ? source_.copy_block(block_) : 0;
  if (frames <= 0) block_.frames = 0;
  const int32_t cpu = source_.cpu ? source_.cpu() : 0;
  const Changes changes = Update(state_, block_, cpu, options);
  updates_.fetch_add(1);
  if (changes.Any() && display_) display_(state_.shown, changes);
}

}  // namespace levels
