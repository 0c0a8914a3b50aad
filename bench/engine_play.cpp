// The engine end to end with a sox-made WAVE song: rendering 10 minutes through the
// file sink (as a multiple of real time), the CPU share of real-time play through
// the null sink, and the round trip of commands while playing.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "audio/Engine.h"
#include "decoders/Decoders.h"
#include "decoders/TW_File.h"
#include "platform/Signals.h"
#include "settings/SettingsGroups.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kNotify = 1u << 3;
const std::string kFolder = "/tmp/tunewright-engine-bench-" + std::to_string(::getpid());

std::string MakeSong(int seconds) {
  std::filesystem::create_directories(kFolder);
  const std::string path = kFolder + "/song" + std::to_string(seconds) + ".wav";
  if (!std::filesystem::exists(path)) {
    const std::string command = "sox -n -r 44100 -b 16 -c 2 " + path + " synth " +
                                std::to_string(seconds) + " sine 440 sine 660 gain -6";
    if (std::system(command.c_str()) != 0) return {};
  }
  return path;
}

decoders::TrackInfo Identify(const std::string& path) {
  decoders::TrackInfo track;
  bench::ProbeWith(decoders::kWaveDecoder, path, &track);
  return track;
}

struct Session {
  platform::Signals signals;
  explicit Session(const std::string& output) {
    ::setenv("TUNEWRIGHT_OUTPUT", output.c_str(), 1);
    settings::SetAudioDefaults();
    audio::Engine_Start(500, &signals, kNotify);
  }
  ~Session() { audio::Engine_Shutdown(); }
  void WaitFinished() {
    while (audio::Engine_GetState() == audio::kEnginePlaying)
      signals.WaitFor(kNotify, std::chrono::milliseconds(100));
  }
};

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void RenderTenMinutes(benchmark::State& state) {
  const auto track = Identify(MakeSong(600));
  const std::string out = kFolder + "/render.wav";
  for (auto _ : state) {
    std::filesystem::remove(out);
    Session session("file:" + out);
    const auto start = Clock::now();
    audio::Engine_Play(&track);
    session.WaitFinished();
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(took);
    state.counters["x_realtime"] = 600.0 / took;
  }
  std::filesystem::remove(out);
}

void NullSinkCpuShare(benchmark::State& state) {
  const auto track = Identify(MakeSong(5));
  for (auto _ : state) {
    Session session("null");
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    audio::Engine_Play(&track);
    session.WaitFinished();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(wall);
    state.counters["cpu_share_of_core"] = (CpuSeconds() - cpu) / wall;
  }
}

void CommandRoundTrip(benchmark::State& state) {
  const auto track = Identify(MakeSong(600));
  Session session("null");
  audio::Engine_Play(&track);
  double target = 10.0;
  for (auto _ : state) {
    if (state.range(0) == 0) {
      audio::Engine_Pause(true);
      audio::Engine_Pause(false);
    } else {
      audio::Engine_SeekTo(target);
      target = target > 500 ? 10.0 : target + 7.5;
    }
  }
  audio::Engine_Stop();
}

BENCHMARK(RenderTenMinutes)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(NullSinkCpuShare)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(CommandRoundTrip)->Arg(0)->Arg(1)->ArgNames({"seek"})->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunThenRemove(argc, argv, kFolder); }
