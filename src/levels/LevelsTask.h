// The task "Tunewright_levels": while the levels window is open it wakes every
// REFRESH_DELAY ticks of 1/50 s, copies the engine's last output block, runs one
// analysis update and hands the values that changed to the window's display
// callback (which posts them through the window's coalescing queue, so only the
// main task touches widgets). The analysis state survives a stop and a start.
//
// Start, Stop and ApplySettings are called from the main task; the display
// callback runs on the levels task.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "audio/OutputSnapshot.h"
#include "levels/LevelAnalysis.h"
#include "platform/Signals.h"
#include "settings/SettingsRecords.h"

namespace levels {

// Where the task reads the output; the engine's by default.
struct LevelsSource {
  std::function<int32_t(audio::OutputSnapshot&)> copy_block;  // frames, 0 when not playing
  std::function<int32_t()> cpu;                               // decoding load in percent
};
LevelsSource EngineSource();

// Receives the values after an update that changed something.
using LevelsDisplay = std::function<void(const LevelValues& values, Changes changes)>;

class LevelsTask {
 public:
  LevelsTask(LevelsSource source, LevelsDisplay display);
  ~LevelsTask();  // stops the task
  LevelsTask(const LevelsTask&) = delete;
  LevelsTask& operator=(const LevelsTask&) = delete;

  // Starts the task unless it runs; returns once it runs.
  void Start();
  // Ends the task; when Stop returns it no longer runs and will not call the display.
  void Stop();
  bool Running() const;

  // The LEVELS values the next updates use; PRIORITY reaches a running task at once.
  void SetOptions(const settings::LevelsSettings& options);
  // While iconified the updates do nothing.
  void SetIconified(bool iconified);
  // Updates run so far (for tests and the benchmark).
  uint64_t Updates() const;

 private:
  void Run();
  void UpdateOnce();
  settings::LevelsSettings Options() const;

  LevelsSource source_;
  LevelsDisplay display_;
  platform::Signals signals_;
  // The start-up handshake; a member, since the task may still be inside Signal()
  // when Start returns.
  platform::Signals started_;
  std::thread thread_;  // main task only

  mutable std::mutex options_mutex_;
  settings::LevelsSettings options_;  // protected by options_mutex_
  std::atomic<bool> iconified_{false};
  std::atomic<uint64_t> updates_{0};

  AnalysisState state_;          // levels task while it runs, else the main task
  audio::OutputSnapshot block_;  // levels task: the copy, its buffers reused
};

}  // namespace levels
