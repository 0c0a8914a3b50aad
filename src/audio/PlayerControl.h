// The engine's control block: its state and the one message that carries every
// command between the main task and the player task. Shared by Engine.cpp (the
// main task's side) and PlayerTask.cpp (the task).
//
// Fields marked "message" are written by the sender before it posts a command and
// read by the task while it handles it; the post and the reply order them. Fields
// marked "task" belong to the player task alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioMan.h"
#include "audio/OutputSnapshot.h"
#include "decoders/TrackInfo.h"
#include "platform/Signals.h"

namespace audio {

enum EngineCommand : int32_t {
  kCmdPlay = 1,
  kCmdStop = 2,
  kCmdPause = 3,
  kCmdResume = 4,
  kCmdQuit = 5,
  kCmdFilter = 6,
  kCmdVolume = 7,
  kCmdFrequency = 8,
  kCmdPosition = 9,
  kCmdSeek = 10,
  kCmdEffects = 11,
  kCmdBassTreble = 12,
  kCmdIntro = 14,
  kCmdSeekIntro = 15,
  kCmdTime = 16,
};

enum TaskState : int32_t {
  kTaskFailed = -1,
  kTaskEnded = 0,
  kTaskIdle = 1,
  kTaskPlaying = 2,
  kTaskPaused = 3,
  kTaskFinished = 4,
};

constexpr int32_t kBlockFrames = 8192;  // the largest block asked of a decoder
constexpr double kBlockSeconds = 0.1;
constexpr uint32_t kPortBit = 1u << 0;      // on task_signals: a command was posted
constexpr uint32_t kPriorityBit = 1u << 1;  // on task_signals: PRIORITY changed
constexpr uint32_t kRoomBit = 1u << 2;      // on task_signals: the output took frames
constexpr uint32_t kReplyBit = 1u << 0;     // on reply_signals

struct PlayerControl {
  int32_t command = 0;                    // message
  decoders::TrackInfo request;            // message: the song PLAY asks for
  double speed = 100.0;                   // message
  std::atomic<int32_t> out_frequency{1};  // Hz the song plays out at
  uint16_t volume0 = 64, volume1 = 64;    // message
  int32_t replay_gain = kAumUnityReplayGain;  // message: the song's factor
  int16_t stereo = 0, filter = 0, mixing = 0, expand = 0, tone_active = 0;  // message
  int32_t bass = 0, treble = 0;                                             // message
  int32_t mix_frequency = 28000;                                            // message
  int32_t result = 0;                                                       // message (out)
  double position = 0.0;    // message: seek target in, position out
  int32_t buffer_time = 0;  // message
  int32_t device = 0;       // message
  uint32_t mode_id = 0;     // message
  std::string mode_name;    // message
  uint16_t intro_flag = 0;  // message
  double intro_time = 0.0;  // message
  std::atomic<bool> hold{false};

  platform::Signals* notify = nullptr;  // the main task's notification
  uint32_t notify_bits = 0;
  std::atomic<int32_t> reported_state{-1};

  platform::Signals task_signals;     // the task's port, break and priority bits
  platform::Signals reply_signals;    // the reply port
  platform::Signals creator_signals;  // start-up handshake (kBreakD)
  std::mutex port_mutex;
  bool posted = false;     // protected by port_mutex
  bool task_gone = false;  // protected by port_mutex
  std::thread thread;

  decoders::TrackInfo track;                // task: the song being played (its own copy)
  bool track_open = false;                  // task
  std::atomic<int32_t> track_frequency{0};  // Hz after open (a decoder may change it)
  // Hz the song's length is counted in: track_frequency as open left it, kept
  // when a chained stream changes format later on.
  std::atomic<int32_t> length_frequency{0};
  bool format_change_pending = false;  // task: decode reported one; the old frames drain
  std::vector<int16_t> buffer[2];           // task: two blocks of kBlockFrames samples
  std::atomic<int32_t> task_state{kTaskFailed};
  double buffer_seconds = 0.25;  // message (from buffer_time)
  std::atomic<int32_t> load{0};  // per mille of real time, moving average

  OutputSnapshotSlot last_block;  // filled by the mixer, emptied when the output stops

  bool intro_active = false;  // task
  double intro_left = 0.0;    // task
  std::atomic<int32_t> queued{0}, room{0}, fill{0};
  bool priority_drop_pending = false;  // task
  bool priority_dropped = false;       // task
  int8_t main_priority = 0;
  std::atomic<int> priority{9};
  std::atomic<int32_t> output_error{0};  // output error that ended the last song
};

// The player task's body: runs until QUIT or a break.
void PlayerTaskMain(PlayerControl& pc);

// Hz the song plays out at: trunc(frequency x speed %), at least 1.
int32_t OutFrequency(int32_t frequency, double speed_percent);

}  // namespace audio
