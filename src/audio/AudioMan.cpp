#include "audio/AudioMan.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "audio/AudioManState.h"
#include "platform/Threads.h"

namespace audio {
namespace {

using namespace aum;

constexpr uint32_t kPortBit = 1u << 0;
constexpr int kProcessorPriority = 21;

void Stop(Manager& m) {
  if (m.state.load() != kAumIdle) {
    FreeOutput(m);
    std::lock_guard lock(m.data);
    SetState(kAumIdle);
  }
  std::lock_guard lock(m.data);
  EmptyRings(m);
}

int32_t PauseOrResume(Manager& m, bool resume) {
  int32_t result = 0;
  if (!resume) {
    if (m.state.load() == kAumPlaying) {
      m.voices->Play(false);
      SetState(kAumPaused);
    }
    if (m.state.load() == kAumWaiting) SetState(kAumPausedEarly);
    return 0;
  }
  if (m.state.load() == kAumIdle) {
    result = Allocate(m) == 0 ? 0 : kAumCannotPlay;
    if (result == 0) SetState(kAumWaiting);
  }
  if (m.state.load() == kAumPausedEarly) SetState(kAumWaiting);
  if (m.state.load() == kAumWaiting) {
    StartPlayback(m);
  } else if (m.state.load() == kAumPaused) {
    m.voices->Play(true);
    SetState(kAumPlaying);
  }
  return result;
}

void Halt(Manager& m) {
  std::lock_guard lock(m.data);
  const int32_t state = m.state.load();
  if (state != kAumPlaying && state != kAumWaiting) return;
  SilenceChannels(m);
  EmptyRings(m);
  SetState(kAumWaiting);
}

// Frames still to be heard once the writer has no more: starts a tail shorter than
// two blocks, then counts what the rings, the playing sounds and the sink hold.
int32_t Drain(Manager& m) {
  bool start;
  {
    std::lock_guard lock(m.data);
    FinishDrain(m);
    start = m.state.load() == kAumWaiting && m.ring.queued() > 0;
  }
  if (start) StartPlayback(m);
  std::lock_guard lock(m.data);
  int64_t left = m.ring.queued();
  if (m.voices) {
    if (m.voices->IsPlaying(0) || m.voices->IsPlaying(1)) ++left;
    left += m.voices->PendingFrames();
  }
  return int32_t(std::min<int64_t>(left, INT32_MAX));
}

void Answer(int32_t* answer, int32_t value) {
  if (answer) *answer = value;
}

int32_t Control(Manager& m, int code, int32_t value, int32_t* answer) {
  switch (code) {
    case kAumCtlStop:
      Stop(m);
      return 0;
    case kAumCtlPause:
      return PauseOrResume(m, value != 0);
    case kAumCtlHalt:
      Halt(m);
      return 0;
    case kAumCtlDrain:
      Answer(answer, Drain(m));
      return 0;
    default:
      break;
  }
  std::lock_guard lock(m.data);
  FinishDrain(m);
  const bool allocated = m.state.load() != kAumIdle && m.voices;
  switch (code) {
    case kAumCtlFrequency:
      m.params.out_frequency = value;
      if (allocated)
        for (int ch : {0, 1}) m.voices->SetFrequency(ch, uint32_t(std::max(value, 0)), true);
      break;
    case kAumCtlVolume0:
    case kAumCtlVolume1:
      (code == kAumCtlVolume0 ? m.params.volume0 : m.params.volume1) = uint16_t(value);
      if (allocated) ApplyVolumes(m);
      break;
    case kAumCtlReplayGain:
      m.params.replay_gain = value;
      if (allocated) ApplyVolumes(m);
      break;
    case kAumCtlQueued:
      Answer(answer, m.ring.queued());
      break;
    case kAumCtlState:
      Answer(answer, m.state.load());
      break;
    case kAumCtlEffects:
      m.params.effect_flags = int16_t(value);
      break;
    case kAumCtlFree:
      Answer(answer, m.ring.capacity() > 0 ? m.ring.room() : m.params.ring_frames);
      break;
    case kAumCtlBass:
    case kAumCtlTreble:
      (code == kAumCtlBass ? m.params.bass : m.params.treble) = value;
      m.tone = ComputeTone(m.params.bass, m.params.treble, uint32_t(m.params.out_frequency));
      break;
    default:  // filter (9) and unknown codes: accepted, nothing acts on them
      break;
  }
  return 0;
}

// The processor's handling of one block message; returns true when it is replied.
void HandleBlock(Manager& m, const BlockDesc& block) {
  int32_t result = 0;
  bool start = false;
  {
    std::lock_guard lock(m.data);
    FinishDrain(m);
    const int32_t state = m.state.load();
    if (state == kAumIdle || block.frames < 0 || block.frames > m.ring.capacity()) {
      result = kAumBlockRefused;
    } else if (state == kAumWaiting) {
      if (!m.ring.Write(block.buffer, block.frames))
        result = kAumBlockRefused;
      else
        start = m.ring.queued() >= 2 * m.block_frames;
    } else if (!m.ring.Write(block.buffer, block.frames)) {
      m.pending = true;
      m.pending_block = block;
      return;  // replied once the rings have room
    } else if (m.draining && m.voices->IsPlaying(1)) {
      // Data came back before the last half ended: follow it seamlessly.
      const int half = FillHalf(m);
      if (half >= 0) {
        QueueHalf(m, half);
        m.draining = false;
      }
    }
  }
  if (start) StartPlayback(m);
  Reply(result);
}

void ProcessorMain() {
  Manager& m = M();
  platform::NameThisThread("AUM_Processor");
  platform::SetThisThreadPriority(kProcessorPriority);
  {
    std::lock_guard lock(m.data);
    m.ring.Clear();
    SetState(kAumIdle);
  }
  for (;;) {
    const uint32_t bits = m.processor_signals.Wait(kPortBit | platform::Signals::kBreakC);
    std::lock_guard lock(m.control);
    if (bits & kPortBit) {
      BlockDesc block;
      bool have;
      {
        std::lock_guard msg(m.message_mutex);
        have = m.posted;
        block = m.message;
        m.posted = false;
      }
      if (have) HandleBlock(m, block);
    }
    if (bits & platform::Signals::kBreakC) break;
  }
  std::lock_guard lock(m.control);
  SetState(kAumQuitting);
  FreeOutput(m);
  {
    std::lock_guard lock(m.data);
    EmptyRings(m);
  }
  {
    std::lock_guard msg(m.message_mutex);
    m.processor_gone = true;
    if (m.posted) {
      m.posted = false;
      m.result = kAumNotInitialised;
      m.replied = true;
    }
  }
  m.replied_cv.notify_all();
  SetState(kAumStopped);
}
}  // namespace

int32_t Aum_Init() {
  Manager& m = M();
  if (!m.initialised) {
    {
      std::lock_guard msg(m.message_mutex);
      m.processor_gone = false;
      m.posted = false;
    }
    SetState(kAumStopped);
    m.processor = std::thread(ProcessorMain);
    m.initialised = true;
  }
  while (m.state.load() == kAumStopped) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (m.state.load() == kAumProcessorFailed) {
    Aum_Exit();
    return kAumNotInitialised;
  }
  return 0;
}

int32_t Aum_Exit() {
  Manager& m = M();
  if (!m.initialised) return kAumNotInitialised;
  Aum_Control(kAumCtlStop, 1);
  m.processor_signals.Signal(platform::Signals::kBreakC);
  if (m.processor.joinable()) m.processor.join();
  m.processor_signals.Take(~0u);
  m.initialised = false;
  return 0;
}

int32_t Aum_Open(const OutputParams& params) {
  Manager& m = M();
  std::lock_guard lock(m.control);
  if (m.state.load() != kAumIdle) return 0;
  {
    std::lock_guard data(m.data);
    m.params = params;
  }
  const int32_t result = Allocate(m);
  if (result == 0) SetState(kAumWaiting);
  return result;
}

int32_t Aum_Write(const BlockDesc& block) {
  Manager& m = M();
  if (m.state.load() == kAumStopped) return kAumNotInitialised;
  std::lock_guard one_at_a_time(m.write_mutex);
  {
    std::lock_guard msg(m.message_mutex);
    if (m.processor_gone) return kAumNotInitialised;
    m.message = block;
    m.posted = true;
    m.replied = false;
  }
  m.processor_signals.Signal(kPortBit);
  std::unique_lock msg(m.message_mutex);
  m.replied_cv.wait(msg, [&] { return m.replied; });
  return m.result;
}

int32_t Aum_Control(int code, int32_t value, int32_t* answer) {
  Manager& m = M();
  if (m.state.load() == kAumStopped) return kAumNotInitialised;
  std::lock_guard lock(m.control);
  return Control(m, code, value, answer);
}

int32_t Aum_ListModes(int32_t /*device*/, std::vector<uint32_t>* ids,
                      std::vector<std::string>* names, int32_t max) {
  if (max <= 0) return kAumNotInitialised;
  int32_t count = 0;
  for (const auto& device : voices::ListOutputDevices()) {
    if (count >= max) break;
    if (ids) ids->push_back(device.id);
    if (names) names->push_back(device.name);
    ++count;
  }
  return count;
}

}  // namespace audio