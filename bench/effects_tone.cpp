// Sound-control throughput: the bass and treble shelves and expand on one channel's
// piece of 16-bit and 8-bit samples, in frames per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "audio/Effects.h"

namespace {

template <typename Sample>
void Tone(benchmark::State& state) {
  const int32_t frames = 882;
  std::vector<Sample> samples(frames);
  for (int32_t i = 0; i < frames; ++i) samples[i] = Sample(i * 97);
  const auto coefficients = audio::ComputeTone(12, -6, 44100);
  audio::ToneState tone;
  for (auto _ : state) {
    audio::ApplyTone(samples.data(), frames, coefficients, tone);
    benchmark::DoNotOptimize(samples.data());
  }
  state.counters["frames/s"] =
      benchmark::Counter(double(frames) * state.iterations(), benchmark::Counter::kIsRate);
}

void Expand(benchmark::State& state) {
  std::vector<int16_t> samples(882, 1234);
  for (auto _ : state) {
    audio::ApplyExpand(samples.data(), int32_t(samples.size()));
    benchmark::DoNotOptimize(samples.data());
  }
  state.counters["frames/s"] =
      benchmark::Counter(double(samples.size()) * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(Tone<int16_t>);
BENCHMARK(Tone<int8_t>);
BENCHMARK(Expand);

}  // namespace

BENCHMARK_MAIN();
