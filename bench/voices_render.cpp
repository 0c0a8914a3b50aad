// Rendering through the file sink, as a multiple of real time: two voices fed
// double-buffered halves by their hook, the way the output manager feeds them.
// Run: build/bench/voices_render  (counter "x_realtime" is the ratio).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/voices/Voices.h"

namespace {

using namespace audio::voices;

constexpr uint32_t kHalfFrames = 882;

// One channel's source signal and its two half-buffers.
struct Feed {
  std::vector<int16_t> source;
  std::vector<int16_t> halves[2] = {std::vector<int16_t>(kHalfFrames),
                                    std::vector<int16_t>(kHalfFrames)};
  size_t read = 0;
  int next_half = 0;
};

void RenderSong(benchmark::State& state, uint32_t song_rate, uint32_t mix_rate) {
  const double song_seconds = 60.0;
  Feed feeds[2];
  for (int c = 0; c < 2; ++c) {
    feeds[c].source.resize(static_cast<size_t>(song_seconds * song_rate));
    for (size_t i = 0; i < feeds[c].source.size(); ++i) {
      feeds[c].source[i] = static_cast<int16_t>(20000 * std::sin(0.05 * (c + 1) * i));
    }
  }
  const std::string path = "/tmp/voices_render_" + std::to_string(::getpid()) + ".wav";
  for (auto _ : state) {
    std::unique_ptr<VoiceOutput> voices;
    std::atomic<bool> finished{false};
    VoiceConfig config;
    config.mix_frequency = mix_rate;
    // Each start of a half fills the other one and queues it; at the end, a queued stop.
    config.sound_start_hook = [&](int channel) {
      Feed& feed = feeds[channel];
      if (feed.read >= feed.source.size()) {
        voices->SetSound(channel, kNoSound, false);
        if (channel == 1) finished = true;
        return;
      }
      const size_t n = std::min<size_t>(kHalfFrames, feed.source.size() - feed.read);
      std::memcpy(feed.halves[feed.next_half].data(), &feed.source[feed.read], n * 2);
      feed.read += n;
      const int sound = channel * 2 + feed.next_half;
      voices->LoadSound(sound, {SampleType::kMono16, feed.halves[feed.next_half].data(),
                                static_cast<uint32_t>(n)});
      voices->SetSound(channel, sound, false);
      feed.next_half ^= 1;
    };
    std::string error;
    voices = VoiceOutput::Allocate(config, ParseOutputChoice("file:" + path, ""), &error);
    if (!voices) {
      state.SkipWithError(error.c_str());
      return;
    }
    for (int c = 0; c < 2; ++c) {
      feeds[c].read = 0;
      feeds[c].next_half = 0;
      voices->SetFrequency(c, song_rate, true);
      voices->SetVolume(c, 1.0, c, true);
    }
    config.sound_start_hook(0);  // the first halves, started as play begins
    config.sound_start_hook(1);
    for (int c = 0; c < 2; ++c) voices->SetSound(c, c * 2, true);
    voices->Play(true);
    while (voices->IsPlaying(0) || voices->IsPlaying(1)) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    voices.reset();
  }
  ::unlink(path.c_str());
  state.counters["x_realtime"] =
      benchmark::Counter(song_seconds * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_RenderPassThrough(benchmark::State& state) { RenderSong(state, 44100, 44100); }
void BM_RenderResampled(benchmark::State& state) { RenderSong(state, 22050, 44100); }

BENCHMARK(BM_RenderPassThrough)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderResampled)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
