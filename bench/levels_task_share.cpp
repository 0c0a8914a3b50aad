// The CPU share of the level meters: the same 4 seconds of a sox-made song played
// in real time through the null sink, once with the scopes closed and once with
// the levels task running at REFRESH_DELAY 1 (every display shown), in one run.
// The counters give each run's CPU as a share of one core, the difference, and the
// levels thread's own share (from its scheduler statistics), which is not lost in noise.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "audio/Engine.h"
#include "decoders/Decoders.h"
#include "decoders/TW_File.h"
#include "levels/LevelsTask.h"
#include "platform/Signals.h"
#include "settings/SettingsGroups.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kNotify = 1u << 3;
constexpr int kSeconds = 4;
const std::string kFolder = "/tmp/tunewright-levels-bench-" + std::to_string(::getpid());

std::string MakeSong() {
  std::filesystem::create_directories(kFolder);
  const std::string path = kFolder + "/song.wav";
  const std::string command = "sox -n -r 44100 -b 16 -c 2 " + path + " synth " +
                              std::to_string(kSeconds) + " sine 100:12000 sine 440 gain -6";
  return std::system(command.c_str()) == 0 ? path : std::string();
}

decoders::TrackInfo Identify(const std::string& path) {
  decoders::TrackInfo track;
  bench::ProbeWith(decoders::kWaveDecoder, path, &track);
  return track;
}

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Nanoseconds the levels thread has run so far (its scheduler statistics), 0 without it.
double LevelsThreadSeconds() {
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(entry.path() / "comm");
    std::string name;
    std::getline(comm, name);
    if (name.rfind("Tunewright_leve", 0) != 0) continue;  // names are cut to 15 bytes
    std::ifstream schedstat(entry.path() / "schedstat");
    double nanoseconds = 0;
    schedstat >> nanoseconds;
    return nanoseconds * 1e-9;
  }
  return 0.0;
}

// CPU share of one core while the song plays to its end.
double PlayOnce(const decoders::TrackInfo& track, platform::Signals& signals) {
  const double cpu = CpuSeconds();
  const auto start = Clock::now();
  audio::Engine_Play(&track);
  while (audio::Engine_GetState() == audio::kEnginePlaying)
    signals.WaitFor(kNotify, std::chrono::milliseconds(100));
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  return (CpuSeconds() - cpu) / wall;
}

void LevelsTaskCpuShare(benchmark::State& state) {
  const auto track = Identify(MakeSong());
  ::setenv("TUNEWRIGHT_OUTPUT", "null", 1);
  settings::SetAudioDefaults();
  platform::Signals signals;
  audio::Engine_Start(500, &signals, kNotify);
  settings::LevelsSettings options;
  options.meter_type = options.gauge_type = options.spectrum_type = 2;
  options.cpu_usage = 1;
  options.refresh_delay = 1;
  std::atomic<uint64_t> pushes{0};
  // The display only counts: what is measured is the task's own work.
  levels::LevelsTask task(levels::EngineSource(),
                          [&](const levels::LevelValues&, levels::Changes) { ++pushes; });
  task.SetOptions(options);
  for (auto _ : state) {
    const double closed = PlayOnce(track, signals);
    task.Start();
    const double open = PlayOnce(track, signals);
    const double task_seconds = LevelsThreadSeconds();
    task.Stop();
    state.SetIterationTime(2.0 * kSeconds);
    state.counters["cpu_closed"] = closed;
    state.counters["cpu_open"] = open;
    state.counters["levels_extra_share"] = open - closed;
    state.counters["levels_thread_share"] = task_seconds / kSeconds;
    state.counters["updates"] = double(task.Updates());
    state.counters["pushes"] = double(pushes.load());
  }
  audio::Engine_Shutdown();
}

BENCHMARK(LevelsTaskCpuShare)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunThenRemove(argc, argv, kFolder); }
