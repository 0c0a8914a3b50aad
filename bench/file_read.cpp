// Read throughput of the file layer's three back ends against `cat` on the same
// file (TW_BENCH_FILE; default a 128 MB file made at start), in 32 KB reads as
// the decoders make them. file_read_vs_cat.sh prints the ratios.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "decoders/TW_File.h"

namespace {

std::string BenchFile() {
  static const std::string path = [] {
    if (const char* given = std::getenv("TW_BENCH_FILE")) return std::string(given);
    const std::string made = "/tmp/tw-bench-file-read.bin";
    std::system(("head -c 134217728 /dev/urandom > " + made).c_str());
    return made;
  }();
  return path;
}

enum Backend { kRam, kReadAhead, kStdio };

void BM_FileLayer(benchmark::State& state) {
  settings::FileSettings block;
  block.load_in_ram = state.range(0) == kRam;
  block.use_asyncio = state.range(0) == kReadAhead;
  decoders::TW_File_SetSettings(block);
  std::vector<uint8_t> buffer(32768);
  int64_t bytes = 0;
  for (auto _ : state) {
    decoders::FileHandle file(decoders::TW_File_Open(BenchFile(), decoders::kFileRead, 0));
    if (!file) {
      state.SkipWithError("cannot open");
      return;
    }
    for (int32_t got; (got = decoders::TW_File_Read(file.get(), buffer.data(), 32768)) > 0;)
      bytes += got;
    // The RAM copy is taken anew each time, as for a new song.
    decoders::TW_File_FreeCache();
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_FileLayer)->Arg(kRam)->Arg(kReadAhead)->Arg(kStdio)->Unit(benchmark::kMillisecond);

void BM_Cat(benchmark::State& state) {
  const std::string command = "cat '" + BenchFile() + "' > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cat failed");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 134217728);
}
BENCHMARK(BM_Cat)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
