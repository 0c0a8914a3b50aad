// VoiceOutput: the mixer thread between the voices and one sink.
//
// Lock order: sink_mutex_ before mutex_. The hook runs with neither held.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "audio/voices/Mixer.h"
#include "audio/voices/Pacer.h"
#include "audio/voices/Sink.h"
#include "platform/Threads.h"

namespace audio::voices {
namespace {

using Clock = std::chrono::steady_clock;

// Above the output manager's processor (21), as the audio system's own context is.
constexpr int kMixerPriority = 25;

uint32_t PassFrames(uint32_t rate) { return std::max<uint32_t>(256, rate / 50) & ~1u; }

class VoiceOutputImpl final : public VoiceOutput {
 public:
  VoiceOutputImpl(const VoiceConfig& config, std::unique_ptr<Sink> sink)
      : sink_(std::move(sink)),
        hook_(config.sound_start_hook),
        pass_frames_(PassFrames(sink_->Rate())),
        mixer_(sink_->Rate(), config.channels, config.sounds),
        buffer_(size_t{pass_frames_} * 2),
        started_at_(static_cast<size_t>(mixer_.channels())),
        fallback_pacer_(sink_->Rate()) {
    thread_ = std::thread([this] { Run(); });
  }

  ~VoiceOutputImpl() override {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  uint32_t MixFrequency() const override { return sink_->Rate(); }
  uint32_t MaxPlaySamples() const override { return pass_frames_; }
  bool PacedInRealTime() const override { return sink_->RealTime(); }

  bool LoadSound(int index, const Sound& sound) override {
    return Change([&] { return mixer_.LoadSound(index, sound); });
  }
  void SetSound(int channel, int sound, bool immediate) override {
    Change([&] { mixer_.SetSound(channel, sound, immediate); });
  }
  void SetFrequency(int channel, uint32_t hz, bool immediate) override {
    Change([&] { mixer_.SetFrequency(channel, hz, immediate); });
  }
  void SetVolume(int channel, double volume, double pan, bool immediate) override {
    Change([&] { mixer_.SetVolume(channel, volume, pan, immediate); });
  }
  void SetMasterGain(double gain) override {
    Change([&] { mixer_.SetMasterGain(gain); });
  }

  bool Play(bool on) override {
    const bool done = Change([&] {
      if (on && !sink_running_) return false;
      play_ = on;
      return true;
    });
    if (done) return true;
    // The sink is paused, so the mixer thread is not writing and sink_mutex_ comes at
    // once. (A running sink's write may hold it for as long as the device takes.)
    std::lock_guard sink_lock(sink_mutex_);
    if (!Change([&] { return sink_running_; })) {  // unless another Play started it
      if (!sink_->Start()) return false;
      fallback_pacer_.Restart();
    }
    Change([&] { sink_running_ = play_ = true; });
    return true;
  }

  uint32_t PendingFrames() const override { return sink_->PendingFrames(); }

  bool IsPlaying(int channel) const override {
    std::lock_guard lock(mutex_);
    return mixer_.IsPlaying(channel);
  }

 private:
  // Runs a change under the lock and wakes the mixer thread to look at it.
  template <typename F>
  auto Change(F change) -> decltype(change()) {
    std::lock_guard lock(mutex_);
    wake_.notify_all();  // the mixer thread sees the change once the lock is free
    return change();
  }

  void Run() {
    platform::NameThisThread("TW_Mixer");
    // Under the virtual clock the mixer must not crowd out the producer it waits for.
    if (sink_->RealTime()) platform::SetThisThreadPriority(kMixerPriority);
    std::unique_lock lock(mutex_);
    while (!quit_) {
      if (!play_) {
        PauseSinkIfStopped(lock);
        wake_.wait(lock, [this] { return quit_ || play_; });
        continue;
      }
      const uint32_t sounding = MixPass(lock);
      if (sounding == 0 && !sink_->RealTime()) {
        // Under the virtual clock silence takes no room: wait for something to play.
        wake_.wait_for(lock, PassDuration(), [this] { return quit_ || mixer_.AnyPlaying(); });
        continue;
      }
      lock.unlock();
      WriteToSink(sounding);
      lock.lock();
    }
  }

  // Mixes one pass into buffer_, running hooks as sounds start; returns the frames that
  // carry sound (the rest of the pass is silence). Called and returns with lock held.
  uint32_t MixPass(std::unique_lock<std::mutex>& lock) {
    uint32_t done = 0;
    while (done < pass_frames_ && !quit_ && play_) {
      if (RunStartHooks(lock)) continue;
      const MixResult result =
          mixer_.Mix(&buffer_[size_t{done} * 2], pass_frames_ - done, HeldChannels());
      done += result.frames;
      if (result.stop == MixStop::kSilent) break;
      if (result.stop == MixStop::kAwaitNext) {
        // Give the client the time real playback would have given it to queue a sound.
        wake_.wait_until(lock, RepeatDeadline(result.channel));
      }
    }
    std::fill(buffer_.begin() + size_t{done} * 2, buffer_.end(), int16_t{0});
    return done;
  }

  // Calls the hook for each channel that started a sound, with the lock released.
  bool RunStartHooks(std::unique_lock<std::mutex>& lock) {
    const std::vector<int> started = mixer_.TakeStartedChannels();
    if (started.empty()) return false;
    const Clock::time_point now = Clock::now();
    for (const int channel : started) started_at_[static_cast<size_t>(channel)] = now;
    if (!hook_) return true;
    lock.unlock();
    for (const int channel : started) hook_(channel);
    lock.lock();
    return true;
  }

  // Under the virtual clock, channels whose sound would repeat before real time
  // would have let it: those wait for a queued sound instead.
  uint32_t HeldChannels() const {
    if (sink_->RealTime()) return 0;
    const Clock::time_point now = Clock::now();
    uint32_t held = 0;
    for (int c = 0; c < mixer_.channels(); ++c) {
      if (now < RepeatDeadline(c)) held |= 1u << c;
    }
    return held;
  }

  Clock::time_point RepeatDeadline(int channel) const {
    const auto length = std::chrono::duration<double>(mixer_.SoundSeconds(channel));
    return started_at_[static_cast<size_t>(channel)] +
           std::chrono::duration_cast<Clock::duration>(length);
  }

  std::chrono::milliseconds PassDuration() const {
    return std::chrono::milliseconds(1000 * uint64_t{pass_frames_} / sink_->Rate() + 1);
  }

  void WriteToSink(uint32_t sounding) {
    std::lock_guard sink_lock(sink_mutex_);
    const uint32_t count = sink_->RealTime() ? pass_frames_ : sounding;
    if (!sink_failed_ && sink_->Write(buffer_.data(), count, sounding)) return;
    if (!sink_failed_) std::fprintf(stderr, "Audio output failed; the rest is not heard.\n");
    // Keep time so that everything fed to the voices still moves on as if heard.
    sink_failed_ = true;
    if (sink_->RealTime()) fallback_pacer_.Wait(count);
  }

  void PauseSinkIfStopped(std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    {
      std::lock_guard sink_lock(sink_mutex_);
      std::lock_guard relock(mutex_);
      if (!play_ && sink_running_) {
        sink_->Pause();
        sink_running_ = false;
      }
    }
    lock.lock();
  }

  const std::unique_ptr<Sink> sink_;
  const std::function<void(int)> hook_;
  const uint32_t pass_frames_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;  // signalled on every change under mutex_
  Mixer mixer_;                   // protected by mutex_
  bool play_ = false;             // protected by mutex_
  bool quit_ = false;             // protected by mutex_

  std::mutex sink_mutex_;        // serialises Start, Pause and Write
  bool sink_running_ = false;    // protected by mutex_, changed with sink_mutex_ held too
  bool sink_failed_ = false;     // protected by sink_mutex_
  std::vector<int16_t> buffer_;  // mixer thread only
  std::vector<Clock::time_point> started_at_;  // protected by mutex_: when each sound began
  Pacer fallback_pacer_;                       // protected by sink_mutex_
  std::thread thread_;
};

}  // namespace

std::unique_ptr<VoiceOutput> VoiceOutput::Allocate(const VoiceConfig& config,
                                                   const OutputChoice& out, std::string* error) {
  std::string reason;
  std::unique_ptr<Sink> sink = OpenSink(out, config.mix_frequency, &reason);
  if (!sink) {
    if (error) *error = reason;
    return nullptr;
  }
  return std::make_unique<VoiceOutputImpl>(config, std::move(sink));
}

}  // namespace audio::voices
