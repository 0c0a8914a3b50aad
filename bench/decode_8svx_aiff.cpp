// Decoding speed of the 8SVX and AIFF modules in frames per second: plain and
// Fibonacci-delta 8SVX, big- and little-endian AIFF PCM, ADP4 ADPCM, and a seek
// into compressed data whose seek table is full. The ratio against sox on the
// same files is printed by decode_8svx_aiff_ratio.sh.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "decoders/Decoders.h"

namespace {

constexpr int32_t kMaxFrames = 8192;
constexpr uint32_t kFrames = 60 * 44100;

using Bytes = std::vector<uint8_t>;

void PutBig(Bytes* out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out->push_back(uint8_t(value >> (8 * i)));
}

Bytes Chunk(const std::string& id, const Bytes& contents) {
  Bytes out(id.begin(), id.end());
  PutBig(&out, uint32_t(contents.size()), 4);
  out.insert(out.end(), contents.begin(), contents.end());
  if (contents.size() % 2) out.push_back(0);
  return out;
}

Bytes Form(const std::string& type, const Bytes& first, const Bytes& second) {
  Bytes body(type.begin(), type.end());
  body.insert(body.end(), first.begin(), first.end());
  body.insert(body.end(), second.begin(), second.end());
  return Chunk("FORM", body);
}

Bytes RandomBytes(size_t count) {
  std::mt19937 generator(7);
  Bytes out(count);
  for (uint8_t& byte : out) byte = uint8_t(generator());
  return out;
}

// Two channels of Fibonacci codes: each block a pad byte, an initial value, codes.
Bytes FibonacciFile() {
  Bytes voice;
  PutBig(&voice, kFrames, 4);
  PutBig(&voice, 0, 4);
  PutBig(&voice, 32, 4);
  PutBig(&voice, 44100, 2);
  voice.insert(voice.end(), {1, 1, 0, 1, 0, 0});
  return Form("8SVX", Chunk("VHDR", voice), Chunk("BODY", RandomBytes(2 * (kFrames / 2 + 2))));
}

// One channel of ADP4 at 44.1 kHz (rate 0x400E AC44...).
Bytes AdpcmFile() {
  Bytes common;
  PutBig(&common, 1, 2);
  PutBig(&common, kFrames, 4);
  PutBig(&common, 16, 2);
  common.insert(common.end(), {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0});
  Bytes samples(8, 0);
  const Bytes codes = RandomBytes(kFrames / 2);
  samples.insert(samples.end(), codes.begin(), codes.end());
  return Form("AIFF", Chunk("COMM", common), Chunk("ADP4", samples));
}

// Sound files made once per run.
struct Files {
  std::string folder = std::filesystem::temp_directory_path() / "tw-bench-8svx-aiff";
  std::string plain = folder + "/plain.8svx";
  std::string fibonacci = folder + "/fib.8svx";
  std::string aiff = folder + "/pcm.aiff";
  std::string sowt = folder + "/sowt.aiff";
  std::string adpcm = folder + "/adp4.aiff";
  Files() {
    std::filesystem::create_directories(folder);
    const std::string synth = " synth 60 sine 200-4000 sine 660 vol 0.8";
    const std::string command = "sox -n -r 44100 -c 2 -b 8 " + plain + synth +
                                " && sox -n -r 44100 -c 2 -b 16 " + aiff + synth +
                                " && ffmpeg -nostdin -loglevel error -y -i " + aiff +
                                " -c:a pcm_s16le -f aiff " + sowt;
    if (std::system(command.c_str()) != 0) std::abort();
    Write(fibonacci, FibonacciFile());
    Write(adpcm, AdpcmFile());
  }
  ~Files() { std::filesystem::remove_all(folder); }
  static void Write(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
};

const Files& BenchFiles() {
  static const Files files;
  return files;
}

decoders::TrackPtr Identify(const std::string& path) {
  decoders::TrackPtr track = decoders::Decoder_Identify(path);
  if (!track) std::abort();
  return track;
}

// Decodes from the current position to the end in the player task's blocks.
int64_t DecodeToEnd(decoders::TrackInfo* track) {
  static std::vector<int16_t> left(kMaxFrames), right(kMaxFrames);
  int64_t frames = 0;
  for (int32_t got; (got = track->decode(left.data(), right.data(), kMaxFrames, 0.1)) > 0;)
    frames += got;
  return frames;
}

// Opens and plays the whole file once per iteration.
void PlayThrough(benchmark::State& state, const std::string& path) {
  decoders::TrackPtr track = Identify(path);
  int64_t frames = 0;
  for (auto _ : state) {
    track->open(track.get());
    track->seek(0.0);
    frames += DecodeToEnd(track.get());
    track->close();
  }
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

void Plain8svx(benchmark::State& state) { PlayThrough(state, BenchFiles().plain); }
void Fibonacci8svx(benchmark::State& state) { PlayThrough(state, BenchFiles().fibonacci); }
void AiffBigEndian(benchmark::State& state) { PlayThrough(state, BenchFiles().aiff); }
void AiffSowt(benchmark::State& state) { PlayThrough(state, BenchFiles().sowt); }
void AiffAdp4(benchmark::State& state) { PlayThrough(state, BenchFiles().adpcm); }

// Seeks into compressed data once the seek table is full: a restore and at most
// 1023 decoded samples per seek.
void SeekWithFullTable(benchmark::State& state, const std::string& path) {
  decoders::TrackPtr track = Identify(path);
  track->open(track.get());
  DecodeToEnd(track.get());
  double target = 0.0;
  for (auto _ : state) {
    target = target > 50.0 ? 0.37 : target + 7.3;
    benchmark::DoNotOptimize(track->seek(target));
  }
  track->close();
}

void SeekFibonacci(benchmark::State& state) { SeekWithFullTable(state, BenchFiles().fibonacci); }
void SeekAdp4(benchmark::State& state) { SeekWithFullTable(state, BenchFiles().adpcm); }

BENCHMARK(Plain8svx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Fibonacci8svx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AiffBigEndian)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AiffSowt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AiffAdp4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SeekFibonacci)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(SeekAdp4)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
