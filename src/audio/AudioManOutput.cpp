// The output manager's side that meets the voice layer: filling the double-buffered
// sounds from the rings with the effects applied, the sound hook, starting both
// channels together, and allocating or freeing the output.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "audio/AudioManState.h"

namespace audio::aum {
namespace {

constexpr int32_t kMinBlockFrames = 256;

}  // namespace

Manager& M() {
  static Manager manager;
  return manager;
}

static int BytesPerSample(const OutputParams& p) { return p.bits == 8 ? 1 : 2; }

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

// --- From here to SoundHook the caller holds m.data. ---

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
  // Unity is exactly 1.0, so a song without ReplayGain mixes as it always has.
  m.voices->SetMasterGain(gain.master * (double(m.params.replay_gain) / kAumUnityReplayGain));
}

void EmptyRings(Manager& m) {
  m.ring.Clear();
  if (m.pending) {
    m.pending = false;
    Reply(0);
  }
}

template <typename Sample>
static void ApplyEffects(Manager& m, Sample* samples, int32_t frames, int channel) {
  if (m.params.effect_flags & kEffectTone)
    ApplyTone(samples, frames, m.tone, m.tone_state[channel]);
  if ((m.params.effect_flags & kEffectExpand) && channel == 1) ApplyExpand(samples, frames);
}

static void ApplyEffectsTo(Manager& m, uint8_t* samples, int32_t frames, int channel) {
  if (m.params.bits == 8)
    ApplyEffects(m, reinterpret_cast<int8_t*>(samples), frames, channel);
  else
    ApplyEffects(m, reinterpret_cast<int16_t*>(samples), frames, channel);
}

static void TryWritePending(Manager& m) {
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
    m.params.last_block({frames, {target[0], target[1]}, m.params.channels, m.params.bits,
                         {m.params.volume0, m.params.volume1}});
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
static void SoundHook(int channel) {
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

// --- From here on the caller holds m.control; m.data is taken as needed. ---

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

static void ReportOpenFailureOnce(const std::string& error) {
  static std::atomic<bool> told{false};
  if (!told.exchange(true)) std::fprintf(stderr, "%s\n", error.c_str());
}

static int32_t EvenBlockFrames(int64_t frames) {
  return int32_t(std::max<int64_t>(frames, 0) & ~1);
}

// Ring large enough for the block, or kAumRingTooShort for a writer that did not say
// how large its blocks are.
static int32_t SizeRing(Manager& m, OutputParams& p, int32_t block) {
  if (p.largest_block > 0)
    p.ring_frames = std::max<int32_t>(p.ring_frames, p.largest_block + 2 * block);
  if (p.ring_frames < 2 * block) return kAumRingTooShort;
  std::lock_guard lock(m.data);
  if (m.ring.capacity() == p.ring_frames) return 0;
  return m.ring.Allocate(p.ring_frames, p.channels, BytesPerSample(p)) ? 0 : kAumNoMemory;
}

static bool AllocateSounds(Manager& m, int32_t block, int bytes) {
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

}  // namespace audio::aum
