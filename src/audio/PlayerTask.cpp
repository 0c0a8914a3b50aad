// The player task "Tunewright_Audio": answers commands, pumps the song's blocks
// into the output manager (which paces it by blocking while the ring is full) and
// reports each change of state to the main task.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "audio/AudioMan.h"
#include "audio/Effects.h"
#include "audio/Engine.h"
#include "audio/PlayerControl.h"
#include "platform/Signals.h"
#include "platform/Threads.h"

namespace audio {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTick = std::chrono::milliseconds(20);
constexpr uint32_t kTaskMask = kPortBit | kPriorityBit | platform::Signals::kBreakC;
constexpr int kSlowBlocksPerYield = 10;

// Decoding slower than real time yields one tick every ten slow blocks; the count
// runs across songs.
std::atomic<int> slow_blocks{kSlowBlocksPerYield};

int32_t Query(int code) {
  int32_t answer = 0;
  Aum_Control(code, 0, &answer);
  return answer;
}

void Report(PlayerControl& pc, int32_t state) {
  pc.reported_state.store(state);
  if (pc.notify) pc.notify->Signal(pc.notify_bits);
}

// Once the output stopped no fill comes, so the emptied snapshot stays empty.
void StopOutput(PlayerControl& pc, int32_t value) {
  Aum_Control(kAumCtlStop, value);
  pc.last_block.Clear();
}

void CloseDecoder(PlayerControl& pc) {
  if (pc.track_open && pc.track.close) pc.track.close();
  pc.track_open = false;
}

// Waits one tick, or less when a command or a break comes; returns their bits.
uint32_t WaitTick(PlayerControl& pc) { return pc.task_signals.WaitFor(kTaskMask, kTick); }

double DecoderPosition(PlayerControl& pc) {
  return pc.track_open && pc.track.position ? pc.track.position() : 0.0;
}

void UpdateLoad(PlayerControl& pc, Clock::duration elapsed, int64_t block_us) {
  if (block_us == 0) return;
  const int64_t spent_us = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
  const int64_t ratio = std::min<int64_t>(spent_us * 1000 / block_us, 1000000);
  if (ratio > 1000 && --slow_blocks <= 0) {
    std::this_thread::sleep_for(kTick);
    slow_blocks = kSlowBlocksPerYield;
  }
  pc.load.store(int32_t((int64_t{pc.load.load()} * 31 + ratio) >> 5));
}

constexpr int32_t kPumpFormatChanged = -2;

// Decodes one block and hands it to the output. Frames delivered; 0 at the end of
// the data; -1 when the output refused the block (recorded in output_error);
// kPumpFormatChanged when the song goes on in another format (format_change_pending).
int32_t PumpBlock(PlayerControl& pc) {
  if (!pc.track_open || !pc.track.decode) return 0;
  const auto start = Clock::now();
  int32_t count =
      pc.track.decode(pc.buffer[0].data(), pc.buffer[1].data(), kBlockFrames, kBlockSeconds);
  const auto elapsed = Clock::now() - start;
  if (count == decoders::kDecodeFormatChanged && pc.track.format) {
    pc.format_change_pending = true;
    return kPumpFormatChanged;
  }
  if (count <= 0) return 0;
  count = std::min(count, kBlockFrames);
  const int64_t block_us = int64_t{count} * 100000 / pc.out_frequency.load() * 10;
  if (pc.intro_active) pc.intro_left -= double(block_us) * 1e-6;
  UpdateLoad(pc, elapsed, block_us);
  const BlockDesc block{count, {pc.buffer[0].data(), pc.buffer[1].data()}};
  if (const int32_t error = Aum_Write(block)) {
    pc.output_error.store(error);
    return -1;
  }
  pc.task_state.store(kTaskPlaying);
  return count;
}

// After PLAY and after a seek the task runs at the main task's priority until its
// ring is more than three quarters full.
void HandlePriority(PlayerControl& pc) {
  if (pc.priority_dropped && pc.fill.load() > 75) {
    pc.priority_dropped = false;
    platform::SetThisThreadPriority(pc.priority.load());
  } else if (pc.priority_drop_pending) {
    platform::SetThisThreadPriority(pc.main_priority);
    pc.priority_drop_pending = false;
    pc.priority_dropped = true;
  }
}

void AfterBlock(PlayerControl& pc) {
  const int32_t queued = Query(kAumCtlQueued);
  const int32_t room = Query(kAumCtlFree);
  pc.queued.store(queued);
  pc.room.store(room);
  pc.fill.store(queued + room > 0 ? int32_t(int64_t{queued} * 100 / (queued + room)) : 0);
  HandlePriority(pc);
}

// The song ends early: its output refused a block.
void AbandonSong(PlayerControl& pc) {
  StopOutput(pc, 1);
  CloseDecoder(pc);
  pc.task_state.store(kTaskIdle);
  Report(pc, kEngineStopped);
}

OutputParams MakeOutputParams(PlayerControl& pc) {
  OutputParams p;
  p.device = pc.device;
  p.mode_id = pc.mode_id;
  p.mode_name = pc.mode_name;
  p.ring_frames = Engine_RingFrames(pc.buffer_seconds, pc.out_frequency.load());
  p.largest_block = kBlockFrames;
  p.last_block = [&pc](const LastBlockInfo& info) {
    pc.last_block.Store(info);
    pc.task_signals.Signal(kRoomBit);
  };
  p.channels = pc.track.stereo ? 2 : 1;
  p.bits = pc.track.bits;
  p.filter_mode = 3;
  p.effect_flags = int16_t((pc.expand ? kEffectExpand : 0) | (pc.tone_active ? kEffectTone : 0));
  p.out_frequency = pc.out_frequency.load();
  p.mix_frequency = pc.mixing ? pc.mix_frequency : 0;
  p.volume0 = pc.volume0;
  p.volume1 = pc.volume1;
  p.replay_gain = pc.replay_gain;
  p.bass = pc.bass;
  p.treble = pc.treble;
  return p;
}

bool Playable(const decoders::TrackInfo& track) {
  return (track.bits == 8 || track.bits == 16) && track.frequency > 0;
}

void TakeTrackFrequency(PlayerControl& pc) {
  pc.track_frequency.store(pc.track.frequency);
  pc.out_frequency.store(OutFrequency(pc.track.frequency, pc.speed));
}

// The song goes on in the format the decoder now delivers: the output is opened
// anew for it (the old format's frames have all been heard). False when the new
// format cannot be played.
bool ReopenForNewFormat(PlayerControl& pc) {
  pc.format_change_pending = false;
  pc.track.format(&pc.track);
  TakeTrackFrequency(pc);
  StopOutput(pc, 1);
  return Playable(pc.track) && Aum_Open(MakeOutputParams(pc)) == 0;
}

// The first block, past any format change before it.
int32_t PumpFirstBlock(PlayerControl& pc) {
  int32_t frames = PumpBlock(pc);
  for (int changes = 0; frames == kPumpFormatChanged && changes < 8; ++changes)
    frames = ReopenForNewFormat(pc) ? PumpBlock(pc) : -1;
  pc.format_change_pending = false;
  return frames == kPumpFormatChanged ? 0 : frames;
}

int32_t HandlePlay(PlayerControl& pc) {
  if (pc.task_state.load() != kTaskIdle) return 2;
  pc.track = pc.request;
  if (!pc.track.open) return 0;
  if (!pc.track.open(&pc.track)) return 2;
  pc.track_open = true;
  pc.format_change_pending = false;
  // The decoder may have changed the frequency it delivers.
  TakeTrackFrequency(pc);
  pc.length_frequency.store(pc.track.frequency);
  if (pc.buffer_time > 0) pc.buffer_seconds = pc.buffer_time * 0.001;
  if (!Playable(pc.track) || Aum_Open(MakeOutputParams(pc)) != 0) {
    CloseDecoder(pc);
    return 3;
  }
  if (pc.track.seek) pc.track.seek(0.0);
  pc.output_error.store(0);
  const int32_t frames = PumpFirstBlock(pc);
  if (frames < 0) {
    StopOutput(pc, 1);
    CloseDecoder(pc);
    return 3;
  }
  if (frames == 0) {
    pc.task_state.store(kTaskFinished);
    return 3;
  }
  Report(pc, kEnginePlaying);
  pc.priority_drop_pending = true;
  return 0;
}

void SeekDecoder(PlayerControl& pc) {
  pc.format_change_pending = false;
  pc.position = pc.track.seek(pc.position);
  if (pc.task_state.load() == kTaskPlaying) Aum_Control(kAumCtlHalt, 1);
}

void StartIntro(PlayerControl& pc) {
  pc.intro_active = pc.intro_flag != 0;
  pc.intro_left = pc.intro_time;
}

// The ring holds song frames, so they are counted at the song's own frequency
// (at speeds other than 100 % the out frequency would misplace them).
double TimeHeard(PlayerControl& pc) {
  if (!pc.track_open || !pc.track.position) return 0.0;
  double t = pc.track.position();
  if (pc.track.frequency > 0) t -= double(Query(kAumCtlQueued)) / pc.track.frequency;
  return std::max(t, 0.0);
}

// Handles one command; false when the task is to end.
bool HandleCommand(PlayerControl& pc) {
  pc.result = 0;
  const int32_t state = pc.task_state.load();
  switch (pc.command) {
    case kCmdPlay:
      pc.result = HandlePlay(pc);
      break;
    case kCmdStop:
      if (state != kTaskIdle) StopOutput(pc, 1);
      CloseDecoder(pc);
      pc.task_state.store(kTaskIdle);
      Report(pc, kEngineStopped);
      break;
    case kCmdPause:
      if (state != kTaskPlaying) break;
      Aum_Control(kAumCtlPause, 0);
      pc.task_state.store(kTaskPaused);
      Report(pc, kEnginePaused);
      break;
    case kCmdResume:
      if (state != kTaskPaused) break;
      Aum_Control(kAumCtlPause, 1);
      pc.task_state.store(kTaskPlaying);
      break;
    case kCmdQuit:
      StopOutput(pc, 1);
      CloseDecoder(pc);
      pc.task_state.store(kTaskIdle);
      return false;
    case kCmdPosition:
      if (state == kTaskPlaying) Aum_Control(kAumCtlHalt, 1);
      pc.position = DecoderPosition(pc);
      break;
    case kCmdSeek:
      if (!pc.track_open || !pc.track.seek) break;
      pc.format_change_pending = false;
      pc.position = pc.track.seek(pc.position);
      if (state == kTaskPaused)
        StopOutput(pc, 0);
      else
        pc.priority_drop_pending = true;
      if (state == kTaskPlaying) Aum_Control(kAumCtlHalt, 1);
      break;
    case kCmdSeekIntro:
      if (pc.track_open && pc.track.seek) SeekDecoder(pc);
      StartIntro(pc);
      break;
    case kCmdIntro:
      StartIntro(pc);
      break;
    case kCmdTime:
      pc.position = TimeHeard(pc);
      break;
    default:  // 13 and unknown codes
      break;
  }
  return true;
}

// Takes the posted command, if any, handles it and replies; false when the task ends.
bool ServePort(PlayerControl& pc) {
  {
    std::lock_guard lock(pc.port_mutex);
    if (!pc.posted) return true;
    pc.posted = false;
  }
  const bool go_on = HandleCommand(pc);
  pc.reply_signals.Signal(kReplyBit);
  return go_on;
}

// No more data: the song finishes once its last frames have been heard, unless
// hold keeps it waiting (scanning). Returns bits that came during a wait.
uint32_t WaitForEnd(PlayerControl& pc) {
  if (Query(kAumCtlDrain) > 0 || pc.hold.load()) return WaitTick(pc);
  pc.task_state.store(kTaskFinished);
  return 0;
}

// True while the output plays with no room for a whole block. The task then waits
// for room here, where commands still reach it, rather than inside Aum_Write.
bool OutputIsFull(PlayerControl& pc) {
  const int32_t largest =
      int32_t(std::min<int64_t>(kBlockFrames, int64_t(kBlockSeconds * pc.track.frequency) + 1));
  return Query(kAumCtlState) == kAumPlaying && Query(kAumCtlFree) < largest;
}

uint32_t WaitForRoom(PlayerControl& pc) {
  return pc.task_signals.WaitFor(kTaskMask | kRoomBit, kTick) & kTaskMask;
}

// A format change waits until every frame of the old format has been heard,
// then reopens the output; commands are served meanwhile.
uint32_t ChangeFormat(PlayerControl& pc) {
  if (Query(kAumCtlDrain) > 0) return WaitTick(pc);
  if (!ReopenForNewFormat(pc)) AbandonSong(pc);
  return 0;
}

uint32_t RunState(PlayerControl& pc) {
  switch (pc.task_state.load()) {
    case kTaskPlaying: {
      if (pc.intro_active && pc.intro_left <= 0.0) return WaitForEnd(pc);
      if (pc.format_change_pending) return ChangeFormat(pc);
      if (OutputIsFull(pc)) return WaitForRoom(pc);
      pc.reported_state.store(kEnginePlaying);
      const int32_t frames = PumpBlock(pc);
      if (frames > 0)
        AfterBlock(pc);
      else if (frames == kPumpFormatChanged)
        return ChangeFormat(pc);
      else if (frames < 0)
        AbandonSong(pc);
      else
        return WaitForEnd(pc);
      return 0;
    }
    case kTaskPaused:
      pc.reported_state.store(kEnginePaused);
      return 0;
    case kTaskFinished:
      StopOutput(pc, 1);
      CloseDecoder(pc);
      pc.task_state.store(kTaskIdle);
      Report(pc, kEngineFinished);
      return 0;
    default:
      return 0;
  }
}

void RunLoop(PlayerControl& pc) {
  uint32_t carried = 0;
  for (;;) {
    const int32_t state = pc.task_state.load();
    const bool waits = state == kTaskIdle || state == kTaskPaused;
    const uint32_t bits = carried | (waits && !carried ? pc.task_signals.Wait(kTaskMask)
                                                       : pc.task_signals.Take(kTaskMask));
    carried = 0;
    if ((bits & kPriorityBit) && !pc.priority_dropped)
      platform::SetThisThreadPriority(pc.priority.load());
    if ((bits & kPortBit) && !ServePort(pc)) return;
    if (bits & platform::Signals::kBreakC) {
      StopOutput(pc, 1);
      CloseDecoder(pc);
      pc.task_state.store(kTaskIdle);
      return;
    }
    carried = RunState(pc);
  }
}

// Commands posted after the task ended are answered with -1.
void MarkGone(PlayerControl& pc) {
  bool answer;
  {
    std::lock_guard lock(pc.port_mutex);
    pc.task_gone = true;
    answer = pc.posted;
    pc.posted = false;
  }
  if (answer) {
    pc.result = -1;
    pc.reply_signals.Signal(kReplyBit);
  }
}

}  // namespace

int32_t OutFrequency(int32_t frequency, double speed_percent) {
  const double hz = std::trunc(double(frequency) * speed_percent * 0.01);
  return int32_t(std::clamp(hz, 1.0, double(INT32_MAX)));
}

int32_t Engine_RingFrames(double buffer_seconds, int32_t out_frequency) {
  const double frames = std::trunc(buffer_seconds * out_frequency);
  return int32_t(std::clamp(frames, 4096.0, double(INT32_MAX / 4)));
}

void PlayerTaskMain(PlayerControl& pc) {
  platform::NameThisThread("Tunewright_Audio");
  platform::SetThisThreadPriority(pc.priority.load());
  pc.queued = 0;
  pc.room = 0;
  pc.task_state.store(Aum_Init() == 0 ? kTaskIdle : kTaskFailed);
  const bool started = pc.task_state.load() == kTaskIdle;
  pc.creator_signals.Signal(platform::Signals::kBreakD);
  if (!started) {
    MarkGone(pc);
    return;
  }
  RunLoop(pc);
  Aum_Exit();
  MarkGone(pc);
  pc.task_state.store(kTaskEnded);
}

}  // namespace audio
