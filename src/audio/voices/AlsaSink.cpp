// The ALSA sink: S16 stereo through libasound. Blocking writes pace the mixer;
// plugins that swallow frames at once (null, file) are held to real time here.
#include <alsa/asoundlib.h>

#include <atomic>
#include <cerrno>
#include <memory>

#include "audio/voices/Pacer.h"
#include "audio/voices/Sink.h"

namespace audio::voices {
namespace {

constexpr unsigned kLatencyMicroseconds = 100000;

struct PcmCloser {
  void operator()(snd_pcm_t* pcm) const noexcept {
    snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
  }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

bool SwallowsFrames(snd_pcm_t* pcm) {
  const snd_pcm_type_t type = snd_pcm_type(pcm);
  return type == SND_PCM_TYPE_NULL || type == SND_PCM_TYPE_FILE;
}

class AlsaSink final : public Sink {
 public:
  AlsaSink(PcmHandle pcm, uint32_t rate, bool can_pause)
      : pcm_(std::move(pcm)), rate_(rate), can_pause_(can_pause), pacer_(rate) {
    if (SwallowsFrames(pcm_.get())) pacer_enabled_ = true;
  }

  uint32_t Rate() const override { return rate_; }
  bool RealTime() const override { return true; }

  bool Start() override {
    pacer_.Restart();
    int err = 0;
    if (snd_pcm_state(pcm_.get()) == SND_PCM_STATE_PAUSED) err = snd_pcm_pause(pcm_.get(), 0);
    if (err < 0 || snd_pcm_state(pcm_.get()) == SND_PCM_STATE_SETUP) {
      err = snd_pcm_prepare(pcm_.get());
    }
    return err >= 0;
  }

  void Pause() override {
    if (snd_pcm_state(pcm_.get()) != SND_PCM_STATE_RUNNING) return;
    // Without pause support the frames still queued are dropped, as a stop would.
    if (!can_pause_ || snd_pcm_pause(pcm_.get(), 1) < 0) {
      snd_pcm_drop(pcm_.get());
      sounding_end_.store(0);
      written_.store(0);
    }
  }

  bool Write(const int16_t* frames, uint32_t count, uint32_t sounding) override {
    const uint64_t before = written_.load();
    if (sounding > 0) sounding_end_.store(before + sounding);
    uint32_t done = 0;
    while (done < count) {
      const snd_pcm_sframes_t n =
          snd_pcm_writei(pcm_.get(), frames + 2 * size_t{done}, count - done);
      if (n >= 0) {
        done += static_cast<uint32_t>(n);
        written_.store(before + done);
        continue;
      }
      // Underruns and resumes after suspend are recovered; anything else fails the write.
      if (snd_pcm_recover(pcm_.get(), static_cast<int>(n), 1) < 0) return false;
    }
    if (pacer_enabled_) pacer_.Wait(count);
    return true;
  }

  uint32_t PendingFrames() const override {
    snd_pcm_sframes_t delay = 0;
    if (pacer_enabled_ || snd_pcm_delay(pcm_.get(), &delay) < 0 || delay <= 0) return 0;
    // Silence written after the last sound is not waited for.
    const uint64_t silence_after =
        written_.load() - std::min(written_.load(), sounding_end_.load());
    const auto queued = static_cast<uint64_t>(delay);
    return queued > silence_after ? static_cast<uint32_t>(queued - silence_after) : 0;
  }

 private:
  PcmHandle pcm_;
  const uint32_t rate_;
  const bool can_pause_;
  bool pacer_enabled_ = false;
  Pacer pacer_;
  std::atomic<uint64_t> written_{0};       // frames handed to ALSA
  std::atomic<uint64_t> sounding_end_{0};  // written_ at the end of the last sounding frame
};

std::string AlsaFailure(const std::string& device, int err) {
  return "Cannot open audio device \"" + device + "\": " + snd_strerror(err) + ".";
}

}  // namespace

std::unique_ptr<Sink> OpenAlsaSink(const std::string& device, uint32_t rate, std::string* error) {
  const std::string name = device.empty() ? "default" : device;
  if (rate == 0) rate = kDefaultRate;
  snd_pcm_t* raw = nullptr;
  int err = snd_pcm_open(&raw, name.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
  if (err < 0) {
    *error = AlsaFailure(name, err);
    return nullptr;
  }
  PcmHandle pcm(raw);
  // Software resampling on: the rate asked for is the rate the voices mix at.
  err = snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 2, rate, 1,
                           kLatencyMicroseconds);
  if (err < 0) {
    *error = AlsaFailure(name, err);
    return nullptr;
  }
  snd_pcm_hw_params_t* params = nullptr;
  snd_pcm_hw_params_alloca(&params);
  const bool can_pause =
      snd_pcm_hw_params_current(pcm.get(), params) == 0 && snd_pcm_hw_params_can_pause(params);
  return std::make_unique<AlsaSink>(std::move(pcm), rate, can_pause);
}

}  // namespace audio::voices
