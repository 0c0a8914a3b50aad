// WAVE and AU decoding speed in frames per second, through identification and
// the track's own operations as the player task calls them (0.1 s blocks of at
// most 8192 frames): 8- and 16-bit files, and the wide and multichannel ones
// reduced to 16-bit stereo. The sound files are made with sox at start.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "decoders/Decoders.h"
#include "decoders/TW_File.h"

namespace {

struct Sample {
  const char* name;
  const char* sox_options;
};
constexpr Sample kSamples[] = {{"wav16_stereo.wav", "-r 44100 -c 2 -b 16"},
                               {"wav8_mono.wav", "-r 22050 -c 1 -b 8"},
                               {"au16_stereo.au", "-r 44100 -c 2 -b 16 -e signed"},
                               {"aumulaw_mono.au", "-r 8000 -c 1 -e u-law"},
                               {"wav24_stereo.wav", "-r 44100 -c 2 -b 24"},
                               {"wavfloat_stereo.wav", "-r 44100 -c 2 -e floating-point -b 32"},
                               {"wav24_5.1.wav", "-r 48000 -c 6 -b 24"},
                               {"au24_stereo.au", "-r 44100 -c 2 -b 24 -e signed"}};

std::string Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/tw-bench-XXXXXX";
    const std::string made = mkdtemp(pattern) ? pattern : "/tmp";
    for (const Sample& s : kSamples) {
      const std::string command = std::string("sox -D -n ") + s.sox_options + " " + made + "/" +
                                  s.name + " synth 60 whitenoise vol 0.5 2>/dev/null";
      if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "sox failed: %s\n", command.c_str());
    }
    return made;
  }();
  return folder;
}

void DecodeFile(benchmark::State& state, const Sample& sample, bool in_ram) {
  decoders::Decoders_Init();
  settings::FileSettings block = decoders::TW_File_GetSettings();
  block.load_in_ram = in_ram;
  decoders::TW_File_SetSettings(block);
  decoders::TrackPtr track = decoders::Decoder_Identify(Folder() + "/" + sample.name);
  if (!track) {
    state.SkipWithError("file not identified");
    return;
  }
  std::vector<uint8_t> left(8192 * 2), right(8192 * 2);
  int64_t frames = 0;
  for (auto _ : state) {
    track->open(track.get());
    track->seek(0.0);
    for (int32_t got; (got = track->decode(left.data(), right.data(), 8192, 0.1)) > 0;)
      frames += got;
    benchmark::DoNotOptimize(left.data());
    track->close();
  }
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
  decoders::Decoders_Exit();
}

void Register() {
  for (const Sample& sample : kSamples) {
    for (const bool ram : {false, true}) {
      benchmark::RegisterBenchmark(
          (std::string("BM_Decode/") + sample.name + (ram ? "/ram" : "/stream")).c_str(),
          [&sample, ram](benchmark::State& s) { DecodeFile(s, sample, ram); })
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
