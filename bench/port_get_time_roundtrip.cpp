// Round trip of "get_time" over the command port's socket while a song plays:
// median and 99th percentile over 10,000 requests, reported as counters (µs).
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <vector>

#include "../tests/port/FakePlayer.h"
#include "port/PortPaths.h"
#include "port/PortServer.h"
#include "platform/UniqueFd.h"

namespace {

std::string RoundTrip(int fd, std::string& pending) {
  static const std::string kRequest = "get_time\n";
  if (send(fd, kRequest.data(), kRequest.size(), MSG_NOSIGNAL) < 0) return {};
  return port::ReadPortLine(fd, pending).value_or("");
}

void BM_PortGetTimeRoundTrip(benchmark::State& state) {
  char folder_template[] = "/tmp/tw-port-bench-XXXXXX";
  const std::string base = mkdtemp(folder_template);
  porttest::FakePlayer player;
  player.songs = {{"Song", "Artist", 600}};
  player.PerformReturnId(player::kReturnPlay);
  player.position = 123.4;
  std::ostringstream unknown;
  port::PortServerOptions options;
  options.folder = base + "/tunewright";
  std::string error;
  auto server = port::PortServer::Open(player, unknown, options, &error);
  if (!server) {
    state.SkipWithError(error.c_str());
    return;
  }
  // The main loop of the player, on its own thread here.
  std::atomic<bool> stop{false};
  std::thread loop([&] {
    while (!stop) {
      pollfd ready{server->fd(), POLLIN, 0};
      if (poll(&ready, 1, 10) > 0) server->Serve();
    }
  });
  platform::UniqueFd client(port::ConnectToPort(server->path()));
  std::string pending;
  std::vector<double> micros;
  micros.reserve(10000);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const std::string reply = RoundTrip(client.get(), pending);
    micros.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
    if (reply != "RC=0 RESULT=123") state.SkipWithError("unexpected reply");
  }
  stop = true;
  loop.join();
  server.reset();
  rmdir(options.folder.c_str());
  rmdir(base.c_str());
  std::sort(micros.begin(), micros.end());
  if (micros.empty()) return;
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

BENCHMARK(BM_PortGetTimeRoundTrip)->Iterations(10000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
