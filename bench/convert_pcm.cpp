// Sample conversion throughput: interleaved little-endian PCM into the engine's
// per-channel layout, in frames per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "audio/Convert.h"

namespace {

void Convert(benchmark::State& state, int bits, int channels) {
  const int32_t frames = 8192;
  std::vector<uint8_t> source(size_t(frames) * channels * (bits / 8));
  for (size_t i = 0; i < source.size(); ++i) source[i] = uint8_t(i * 37);
  std::vector<int16_t> left(frames), right(frames);
  for (auto _ : state) {
    audio::ConvertLittleEndianPcm(source.data(), left.data(), right.data(), frames, bits, channels);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
  }
  state.counters["frames/s"] =
      benchmark::Counter(double(frames) * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(Convert, stereo16, 16, 2);
BENCHMARK_CAPTURE(Convert, mono16, 16, 1);
BENCHMARK_CAPTURE(Convert, stereo8, 8, 2);

}  // namespace

BENCHMARK_MAIN();
