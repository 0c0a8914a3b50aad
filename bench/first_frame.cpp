// Start-up to the first frame of sound: the built program is started on one
// song with the file sink, and the clock stops when the sink's WAVE file holds
// more than its 44-byte header. Headless, and windowed on Qt's offscreen
// platform. Run by bench/window_ratio.sh, which makes the song and names the
// program (TW_BENCH_PROGRAM, TW_BENCH_SONG).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

off_t SizeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// Milliseconds from the start of the program to its first frame; -1 when none
// came within 10 s.
double FirstFrameMs(const std::vector<std::string>& args, const std::string& out) {
  ::unlink(out.c_str());
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::setenv("TUNEWRIGHT_OUTPUT", ("file:" + out).c_str(), 1);
  const auto start = std::chrono::steady_clock::now();
  // The program's own lines stay out of the benchmark's report.
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return -1;
  double ms = -1;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
    if (SizeOf(out) > 44) {
      ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  return ms;
}

void Run(benchmark::State& state, bool windowed) {
  const std::string program = Env("TW_BENCH_PROGRAM"), song = Env("TW_BENCH_SONG");
  if (program.empty() || song.empty()) {
    state.SkipWithError("set TW_BENCH_PROGRAM and TW_BENCH_SONG (bench/window_ratio.sh does)");
    return;
  }
  const std::string out = song + ".out.wav";
  std::vector<std::string> args{program};
  if (windowed) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    args.insert(args.end(), {"GUI", song});
  } else {
    args.insert(args.end(), {"--headless", song});
  }
  for (auto _ : state) {
    const double ms = FirstFrameMs(args, out);
    if (ms < 0) {
      state.SkipWithError("no sound within 10 s");
      break;
    }
    state.SetIterationTime(ms / 1000.0);
  }
  ::unlink(out.c_str());
}

void BM_FirstFrameHeadless(benchmark::State& state) { Run(state, false); }
void BM_FirstFrameWindowed(benchmark::State& state) { Run(state, true); }

}  // namespace

BENCHMARK(BM_FirstFrameHeadless)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_FirstFrameWindowed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_MAIN();
