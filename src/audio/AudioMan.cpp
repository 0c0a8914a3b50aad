#include "audio/AudioMan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "audio/AudioRing.h"
#include "audio/Effects.h"
#include "audio/voices/Voices.h"
#include "platform/Signals.h"
#include "platform/Threads.h"

namespace audio {
namespace {

constexpr uint32_t kPortBit = 1u << 0;
constexpr int kProcessorPriority = 21;
constexpr int32_t kMinBlockFrames = 256;
constexpr int kSounds = 4;  // sound k = channel * 2 + half

struct Manager {
  // Serialises control operations, allocation and the processor's message handling.
  // Held while the voice layer is started, stopped or destroyed; the sound hook never
  // takes it, so those calls may wait for the mixer.
  std::mutex control;
  // Protects what the sound hook shares with the others (every field marked "data").
  // Never held across VoiceOutput::Play or its destruction.
  std::mutex data;
  std::atomic<int32_t> state{kAumStopped};  // written under data
  bool initialised = false;                 // player task only
  std::thread processor;
  platform::Signals processor_signals;

  std::mutex write_mutex;  // one block message in flight: held by Aum_Write for its round trip
  std::mutex message_mutex;
  std::condition_variable replied_cv;
  BlockDesc message;           // protected by message_mutex
  bool posted = false;         // protected by message_mutex
  bool replied = false;        // protected by message_mutex
  bool processor_gone = true;  // protected by message_mutex
  int32_t result = 0;          // protected by message_mutex

  OutputParams params;                          // data
  std::unique_ptr<voices::VoiceOutput> voices;  // data; swapped out before destruction
  AudioRing ring;                               // data
  std::vector<uint8_t> sounds[kSounds];         // data; read by the mixer while loaded
  int32_t block_frames = 0;                     // data
  int current_half = 0;                         // data
  ToneCoefficients tone;                        // data
  ToneState tone_state[2];                      // data; kept across songs
  bool pending = false;                         // data: a block waits for room
  BlockDesc pending_block;                      // data
  bool draining = false;  // data: the last real half plays, a stop is queued after it
};

Manager& M() {
  static Manager manager;
  return manager;
}

int BytesPerSample(const OutputParams& p) { return p.bits == 8 ? 1 : 2; }

void SetState(int32_t state) { M().state.store(state); }

void Reply(int32_t result) {
  Manager& m = M();
  {
    std::lock_guard lock(m.message_mutex);
    m.result = result;
    m.replied = true;
  }
  m.replied_cv.notify_all();
}

// --- Everything below up to the control codes runs with m.data held. ---

void SilenceChannels(Manager& m) {
  m.draining = false;
  if (!m.voices) return;
  for (int ch : {0, 1}) {
    m.voices->SetSound(ch, voices::kNoSound, true);
    m.voices->SetFrequency(ch, 0, true);
  }
}

void ApplyVolumes(Manager& m) {
  if (!m.voices) return;
  const OutputGain gain = GainFromVolumes(uint16_t(m.params.volume0), uint16_t(m.params.volume1));
  m.voices->SetVolume(0, gain.channel[0], 0.0, true);
  m.voices->SetVolume(1, gain.channel[1], 1.0, true);
  m.voices->SetMasterGain(gain.master);
}

void EmptyRings(Manager& m) {
  m.ring.Clear();
  if (m.pending) {
    m.pending = false;
    Reply(0);
  }
}

template <typename Sample>
void ApplyEffects(Manager& m, Sample* samples, int32_t frames, int channel) {
  if (m.params.effect_flags & kEffectTone)
    ApplyTone(samples, frames, m.tone, m.tone_state[channel]);
  if ((m.params.effect_flags & kEffectExpand) && channel == 1) ApplyExpand(samples, frames);
}

void ApplyEffectsTo(Manager& m, uint8_t* samples, int32_t frames, int channel) {
  if (m.params.bits == 8)
    ApplyEffects(m, reinterpret_cast<int8_t*>(samples), frames, channel);
  else
    ApplyEffects(m, reinterpret_cast<int16_t*>(samples), frames, channel);
}

void TryWritePending(Manager& m) {
  if (m.pending && m.ring.Write(m.pending_block.buffer, m.pending_block.frames)) {
    m.pending = false;
    Reply(0);
  }
}

// Moves up to one half of frames from the rings into the sounds of the current half,
// with the effects applied, and describes them to the voice layer at their real
// length (no silence is invented). Returns the half filled, or -1 when nothing was
// queued. A one-channel song feeds both channels from ring 0.
int FillHalf(Manager& m) {
  if (m.state.load() < kAumPlaying || m.ring.queued() == 0 || !m.voices) return -1;
  const int half = m.current_half;
  const int bytes = BytesPerSample(m.params);
  uint8_t* target[2] = {m.sounds[half].data(), m.sounds[2 + half].data()};
  int32_t frames = 0;
  while (frames < m.block_frames) {
    const uint8_t* piece = nullptr;
    const int32_t n = m.ring.Peek(0, m.block_frames - frames, &piece);
    if (n == 0) break;
    for (int ch : {0, 1}) {
      m.ring.Peek(m.params.channels == 2 ? ch : 0, n, &piece);
      uint8_t* to = target[ch] + size_t(frames) * bytes;
      std::memcpy(to, piece, size_t(n) * bytes);
      if (m.params.effect_flags) ApplyEffectsTo(m, to, n, ch);
    }
    m.ring.Consume(n);
    frames += n;
  }
  const auto type = bytes == 1 ? voices::SampleType::kMono8 : voices::SampleType::kMono16;
  for (int ch : {0, 1}) m.voices->LoadSound(ch * 2 + half, {type, target[ch], uint32_t(frames)});
  m.current_half ^= 1;
  TryWritePending(m);
  if (m.params.last_block)
    m.params.last_block({frames, {target[0], target[1]}, m.params.channels, m.params.bits});
  return half;
}

void QueueHalf(Manager& m, int half) {
  for (int ch : {0, 1}) m.voices->SetSound(ch, ch * 2 + half, false);
}

// A drain ends when both channels have played the last real half: the output is
// then dry and waits for two blocks again.
void FinishDrain(Manager& m) {
  if (!m.draining || !m.voices || m.voices->IsPlaying(0) || m.voices->IsPlaying(1)) return;
  SilenceChannels(m);
  SetState(kAumWaiting);
}

// Runs on the mixer thread, without the mixer's lock, whenever a channel starts a sound.
void SoundHook(int channel) {
  if (channel != 1) return;
  Manager& m = M();
  std::lock_guard lock(m.data);
  if (!m.voices || m.state.load() != kAumPlaying || m.draining) return;
  const int half = FillHalf(m);
  if (half >= 0) {
    QueueHalf(m, half);
    return;
  }
  // Ran dry: let the half now starting be heard, and stop after it.
  for (int ch : {0, 1}) m.voices->SetSound(ch, voices::kNoSound, false);
  m.draining = true;
}

// --- m.control held from here on; m.data taken as needed. ---

// Starts both channels together on a freshly filled half. Play is switched off
// around the change, so no mixing pass sees one channel started and not the other.
bool StartPlayback(Manager& m) {
  int half;
  {
    std::lock_guard lock(m.data);
    if (m.state.load() == kAumWaiting) SetState(kAumPlaying);
    half = FillHalf(m);
    if (half < 0) {
      SetState(kAumWaiting);
      return false;
    }
  }
  m.voices->Play(false);
  {
    std::lock_guard lock(m.data);
    for (int ch : {0, 1}) {
      m.voices->SetFrequency(ch, uint32_t(m.params.out_frequency), true);
      m.voices->SetSound(ch, ch * 2 + half, true);
    }
  }
  if (m.voices->Play(true)) return true;
  std::lock_guard lock(m.data);
  SilenceChannels(m);
  SetState(kAumWaiting);
  return false;
}

void FreeOutput(Manager& m) {
  std::unique_ptr<voices::VoiceOutput> old;
  {
    std::lock_guard lock(m.data);
    SilenceChannels(m);
    old = std::move(m.voices);
  }
  old.reset();  // joins the mixer: outside the data lock, which the hook may be waiting for
  std::lock_guard lock(m.data);
  m.ring.Free();
  for (auto& s : m.sounds) std::vector<uint8_t>().swap(s);
}

void ReportOpenFailureOnce(const std::string& error) {
  static std::atomic<bool> told{false};
  if (!told.exchange(true)) std::fprintf(stderr, "%s\n", error.c_str());
}

int32_t EvenBlockFrames(int64_t frames) { return int32_t(std::max<int64_t>(frames, 0) & ~1); }

// Ring large enough for the block, or kAumRingTooShort for a writer that did not say
// how large its blocks are.
int32_t SizeRing(Manager& m, OutputParams& p, int32_t block) {
  if (p.largest_block > 0)
    p.ring_frames = std::max<int32_t>(p.ring_frames, p.largest_block + 2 * block);
  if (p.ring_frames < 2 * block) return kAumRingTooShort;
  std::lock_guard lock(m.data);
  if (m.ring.capacity() == p.ring_frames) return 0;
  return m.ring.Allocate(p.ring_frames, p.channels, BytesPerSample(p)) ? 0 : kAumNoMemory;
}

bool AllocateSounds(Manager& m, int32_t block, int bytes) {
  try {
    for (auto& s : m.sounds) s.assign(size_t(block) * bytes, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const auto type = bytes == 1 ? voices::SampleType::kMono8 : voices::SampleType::kMono16;
  for (int k = 0; k < kSounds; ++k)
    if (!m.voices->LoadSound(k, {type, m.sounds[k].data(), uint32_t(block)})) return false;
  return true;
}

int32_t Allocate(Manager& m) {
  FreeOutput(m);
  OutputParams p;
  {
    std::lock_guard lock(m.data);
    m.params.device = 1;
    p = m.params;
  }
  const int32_t out = std::max<int32_t>(p.out_frequency, 1);
  int32_t block = std::max(kMinBlockFrames, EvenBlockFrames(out / 50));
  if (int32_t err = SizeRing(m, p, block)) return err;

  voices::VoiceConfig config;
  config.mix_frequency = uint32_t(p.mix_frequency > 0 ? p.mix_frequency : out);
  config.sounds = kSounds;
  config.sound_start_hook = [](int channel) { SoundHook(channel); };
  std::string error;
  auto output =
      voices::VoiceOutput::Allocate(config, voices::OutputFromEnvironment(p.mode_name), &error);
  if (!output) {
    ReportOpenFailureOnce(error);
    FreeOutput(m);
    return kAumNoDevice;
  }
  // The output may mix more per pass than one block: a half must outlast a pass.
  const uint32_t mixing = output->MixFrequency();
  const int64_t per_pass = output->MaxPlaySamples();
  block = std::max(block, EvenBlockFrames(mixing ? per_pass * out / mixing : per_pass));
  if (int32_t err = SizeRing(m, p, block)) {
    output.reset();
    FreeOutput(m);
    return err;
  }
  bool sounds_ready;
  {
    std::lock_guard lock(m.data);
    m.voices = std::move(output);
    m.params.ring_frames = p.ring_frames;
    m.params.filter_mode = 0;
    m.block_frames = block;
    m.current_half = 0;
    m.tone = ComputeTone(m.params.bass, m.params.treble, uint32_t(out));
    sounds_ready = AllocateSounds(m, block, BytesPerSample(p));
    SilenceChannels(m);
    ApplyVolumes(m);
  }
  if (!sounds_ready) {
    FreeOutput(m);
    return kAumNoMemory;
  }
  if (!m.voices->Play(true)) {
    FreeOutput(m);
    return kAumCannotPlay;
  }
  return 0;
}

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
