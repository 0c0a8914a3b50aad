// The main task's side of the engine: fills the control block from the track and
// the AUDIO settings and sends commands to the player task.
#include "audio/Engine.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "audio/AudioMan.h"
#include "audio/Convert.h"
#include "audio/Effects.h"
#include "audio/PlayerControl.h"
#include "settings/SettingsGroups.h"

namespace audio {
namespace {

constexpr double kMinSpeed = 25.0, kMaxSpeed = 400.0;

// Module state of the controlling thread.
std::unique_ptr<PlayerControl> engine;
double speed = 100.0;         // persists across songs
bool track_set = false;       // a song was started and not stopped
decoders::TrackInfo current;  // the caller's song as it was handed to Engine_Play
int32_t last_result = 0;

bool IsCallerCommand(int32_t command) {
  return command == kCmdFilter || command == kCmdVolume || command == kCmdFrequency ||
         command == kCmdEffects || command == kCmdBassTreble;
}

void RunCallerCommand(PlayerControl& pc, int32_t command) {
  switch (command) {
    case kCmdFilter:
      Aum_Control(kAumCtlFilter, pc.filter);
      break;
    case kCmdVolume:
      Aum_Control(kAumCtlVolume0, pc.volume0);
      Aum_Control(kAumCtlVolume1, pc.volume1);
      Aum_Control(kAumCtlReplayGain, pc.replay_gain);
      break;
    case kCmdFrequency:
      Aum_Control(kAumCtlFrequency, pc.out_frequency.load());
      break;
    case kCmdEffects:
      Aum_Control(kAumCtlEffects,
                  (pc.expand ? kEffectExpand : 0) | (pc.tone_active ? kEffectTone : 0));
      break;
    case kCmdBassTreble:
      Aum_Control(kAumCtlBass, pc.bass);
      Aum_Control(kAumCtlTreble, pc.treble);
      break;
  }
}

// Sends a command and waits for the reply; -1 when there is no task to take it.
int32_t Send(int32_t command) {
  if (!engine || engine->task_state.load() == kTaskEnded) return last_result = -1;
  PlayerControl& pc = *engine;
  if (IsCallerCommand(command)) {
    RunCallerCommand(pc, command);
    return pc.result;
  }
  {
    std::lock_guard lock(pc.port_mutex);
    if (pc.task_gone) return last_result = -1;
    pc.command = command;
    pc.result = 0;
    pc.posted = true;
  }
  pc.task_signals.Signal(kPortBit);
  pc.reply_signals.Wait(kReplyBit);
  return last_result = pc.result;
}

void SendVolumes() {
  if (!engine) return;
  const auto& audio = settings::Audio();
  const ChannelVolumes v = VolumesFromSettings(audio.volume, audio.balance);
  engine->volume0 = v.volume0;
  engine->volume1 = v.volume1;
  Send(kCmdVolume);
}

// The song's ReplayGain factor as the output takes it, from the AUDIO settings.
int32_t SongReplayGain(const decoders::TrackInfo& track) {
  const auto& audio = settings::Audio();
  const auto mode = static_cast<decoders::ReplayGainMode>(std::clamp(audio.replaygain, 0, 2));
  const double factor =
      decoders::ReplayGainFactor(track.replay_gain, mode, audio.replaygain_preamp);
  return int32_t(std::lround(factor * kAumUnityReplayGain));
}

void CopyEffectSettings(PlayerControl& pc) {
  const auto& audio = settings::Audio();
  pc.filter = int16_t(audio.filter);
  pc.expand = int16_t(audio.expand);
  pc.tone_active = int16_t(audio.bass_treble);
  pc.bass = audio.bass;
  pc.treble = audio.treble;
}

double SongSeconds() {
  const int32_t hz = engine ? engine->length_frequency.load() : 0;
  return hz > 0 ? double(std::max(current.length, 0)) / hz : 0.0;
}

// Seek targets stay inside the song, whatever the caller computed.
double ClampIntoSong(double seconds) {
  if (std::isnan(seconds)) return 0.0;
  return std::clamp(seconds, 0.0, SongSeconds());
}

// Steps forward through a song that cannot seek by decoding it silently.
int32_t StepWithoutSeeking(double step) {
  auto& audio = settings::Audio();
  const int32_t saved_volume = audio.volume;
  Engine_SetVolume(0);
  const double target = Engine_GetTime() + step;
  double last = -1.0;
  int32_t result = 0;
  for (;;) {
    result = Send(kCmdPosition);
    const double reached = engine->position;
    if (result != 0 || reached >= target || reached <= last) break;
    last = reached;
  }
  Engine_SetVolume(saved_volume);
  return result;
}

}  // namespace

bool Engine_Start(int32_t buffer_time_ms, platform::Signals* notify, uint32_t notify_bits) {
  if (engine) return true;
  speed = 100.0;
  auto pc = std::make_unique<PlayerControl>();
  pc->notify = notify;
  pc->notify_bits = notify_bits;
  pc->buffer_seconds = buffer_time_ms > 0 ? buffer_time_ms * 0.001 : 0.25;
  pc->buffer[0].assign(kBlockFrames, 0);
  pc->buffer[1].assign(kBlockFrames, 0);
  pc->priority.store(settings::Audio().priority);
  pc->thread = std::thread(PlayerTaskMain, std::ref(*pc));
  pc->creator_signals.Wait(platform::Signals::kBreakD);
  if (pc->task_state.load() == kTaskFailed) {
    pc->thread.join();
    return false;
  }
  engine = std::move(pc);
  // Applied AUDIO values reach the running task: PRIORITY at once; the device,
  // buffer and mixing values are read when the next song starts.
  settings::SetAudioListener([](const settings::AudioSettings& audio) { Engine_SetPriority(audio.priority); });
  return true;
}

void Engine_Shutdown() {
  if (!engine) return;
  settings::SetAudioListener({});
  if (engine->task_state.load() != kTaskEnded) Send(kCmdQuit);
  if (engine->thread.joinable()) engine->thread.join();
  engine.reset();
  track_set = false;
}

int Engine_Play(const decoders::TrackInfo* track) {
  if (!track) {
    last_result = 1;
    return 0;
  }
  if (!engine) {
    last_result = -1;
    return 0;
  }
  PlayerControl& pc = *engine;
  auto& audio = settings::Audio();
  pc.request = *track;
  pc.speed = speed;
  const int32_t out = OutFrequency(track->frequency, speed);
  pc.stereo = track->stereo;
  pc.device = int32_t(audio.device);
  pc.mode_id = audio.mode_id;
  pc.mode_name = audio.mode_name;
  pc.buffer_time = int32_t(audio.buffer_time);
  const int conversion = ConversionWanted(uint32_t(std::max(track->frequency, 0)));
  audio.freq_conversion_active = uint16_t(conversion);
  const MixChoice mix = ApplyMixLimit({conversion != 0, audio.mixing_freq}, conversion != 0,
                                      audio.mixing_freq, uint32_t(out));
  pc.mixing = mix.mixing;
  pc.mix_frequency = int32_t(std::min<uint32_t>(mix.mix_frequency, INT32_MAX));
  CopyEffectSettings(pc);
  pc.replay_gain = SongReplayGain(*track);
  pc.hold.store(false);
  SendVolumes();
  Send(kCmdEffects);
  const int32_t result = Send(kCmdPlay);
  if (result == 0) {
    track_set = true;
    current = *track;
  }
  return result == 0 ? 1 : 0;
}

void Engine_Stop() {
  if (track_set) Send(kCmdStop);
  track_set = false;
}

void Engine_Pause(bool on) {
  if (track_set) Send(on ? kCmdPause : kCmdResume);
}

int32_t Engine_LastResult() { return last_result; }
int32_t Engine_LastOutputError() { return engine ? engine->output_error.load() : 0; }

void Engine_SetVolume(int32_t volume) {
  settings::Audio().volume = std::clamp(volume, 0, 256);
  SendVolumes();
}

void Engine_SetBalance(int32_t balance) {
  settings::Audio().balance = std::clamp(balance, -64, 64);
  SendVolumes();
}

int32_t Engine_GetVolume() { return settings::Audio().volume; }

void Engine_SetReplayGain(int32_t mode, int32_t preamp_db) {
  auto& audio = settings::Audio();
  audio.replaygain = std::clamp(mode, 0, 2);
  audio.replaygain_preamp = std::clamp(preamp_db, -decoders::kReplayGainPreampLimitDb,
                                       decoders::kReplayGainPreampLimitDb);
  if (!engine) return;
  if (track_set) engine->replay_gain = SongReplayGain(current);
  SendVolumes();
}

void Engine_SetFilter(int on) {
  settings::Audio().filter = uint16_t(on);
  if (!engine) return;
  engine->filter = int16_t(on);
  Send(kCmdFilter);
}

void Engine_SetExpand(int on) {
  settings::Audio().expand = uint16_t(on);
  if (!engine) return;
  engine->expand = int16_t(on);
  Send(kCmdEffects);
}

void Engine_SetToneActive(int on) {
  settings::Audio().bass_treble = uint16_t(on);
  if (!engine) return;
  engine->tone_active = int16_t(on);
  Send(kCmdEffects);
}

void Engine_SetBassTreble(int32_t bass_db, int32_t treble_db) {
  settings::Audio().bass = bass_db;
  settings::Audio().treble = treble_db;
  if (!engine) return;
  engine->bass = bass_db;
  engine->treble = treble_db;
  Send(kCmdBassTreble);
}

void Engine_SetSpeed(double percent) {
  if (!track_set || !engine) return;
  speed = std::isnan(percent) ? 100.0 : std::clamp(percent, kMinSpeed, kMaxSpeed);
  engine->out_frequency.store(OutFrequency(engine->track_frequency.load(), speed));
  Send(kCmdFrequency);
}

double Engine_GetSpeed() { return speed; }

int32_t Engine_SeekTo(double seconds) {
  if (!track_set || !engine) return last_result;
  engine->position = ClampIntoSong(seconds);
  return Send(kCmdSeek);
}

int32_t Engine_SeekBy(int hold, double step) {
  if (!track_set || !engine) return hold;
  if (step == 0.0 || std::isnan(step)) {
    engine->hold.store(hold != 0);
    return Send(kCmdIntro);
  }
  if (!current.seekable) return step > 0 ? StepWithoutSeeking(step) : last_result;
  engine->position = ClampIntoSong(Engine_GetTime() + step);
  engine->hold.store(hold != 0);
  return Send(kCmdSeek);
}

double Engine_GetTime() {
  if (!engine || Send(kCmdTime) != 0) return 0.0;
  return engine->position;
}

int32_t Engine_GetState() { return engine ? engine->reported_state.load() : kEngineNone; }

int32_t Engine_GetLoad() {
  return Engine_GetState() == kEnginePlaying ? engine->load.load() / 10 : 0;
}

int32_t Engine_CopyLastBlock(OutputSnapshot& out) {
  if (!engine) {
    out = OutputSnapshot{};
    return 0;
  }
  engine->last_block.CopyTo(out);
  if (Engine_GetState() != kEnginePlaying) out.frames = 0;
  return out.frames;
}

void Engine_SetPriority(int8_t priority) {
  settings::Audio().priority = priority;
  if (!engine) return;
  engine->priority.store(priority);
  engine->task_signals.Signal(kPriorityBit);
}

void Engine_Break() {
  if (engine) engine->task_signals.Signal(platform::Signals::kBreakC);
}

}  // namespace audio
