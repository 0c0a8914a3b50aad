// Playing a whole CD image through the CD module (open, seek, decode 0.1 s
// blocks, interleave, write) against cat of its BIN file. The image is named by
// TW_BENCH_CUE; cdda_image_decode_ratio.sh makes a 74-minute one and prints the ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cdda/Cdda.h"
#include "cdda/CueSheet.h"
#include "settings/SettingsGroups.h"

namespace {

std::string CueFromEnvironment() {
  const char* cue = std::getenv("TW_BENCH_CUE");
  return cue ? cue : "";
}

int64_t PlayWholeDisc(std::FILE* sink) {
  std::string key;
  int64_t bytes = 0;
  std::vector<int16_t> left(8192), right(8192), interleaved(2 * 8192);
  for (const auto& track : cdda::CDDA_ListTracks(&key)) {
    if (!track->open(track.get())) return -1;
    track->seek(0.0);
    for (int32_t n; (n = track->decode(left.data(), right.data(), 8192, 0.1)) > 0;) {
      for (int32_t i = 0; i < n; ++i) {
        interleaved[size_t(2 * i)] = left[size_t(i)];
        interleaved[size_t(2 * i + 1)] = right[size_t(i)];
      }
      bytes += int64_t(std::fwrite(interleaved.data(), 4, size_t(n), sink)) * 4;
    }
    track->close();
  }
  return bytes;
}

void BM_DecodeImage(benchmark::State& state) {
  settings::CddaSettings config;
  config.device = CueFromEnvironment();
  settings::Cdda().Apply(config);
  std::FILE* sink = std::fopen("/dev/null", "wb");
  for (auto _ : state) {
    const int64_t bytes = PlayWholeDisc(sink);
    if (bytes <= 0) state.SkipWithError("no playable disc image in TW_BENCH_CUE");
    state.SetBytesProcessed(state.bytes_processed() + bytes);
  }
  std::fclose(sink);
}

void BM_CatBin(benchmark::State& state) {
  const auto layout = cdda::ReadCueSheet(CueFromEnvironment());
  if (!layout || layout->files.empty()) {
    state.SkipWithError("no disc image in TW_BENCH_CUE");
    return;
  }
  const std::string command = "cat '" + layout->files[0].path + "' >/dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cat failed");
  }
}

BENCHMARK(BM_DecodeImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CatBin)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
