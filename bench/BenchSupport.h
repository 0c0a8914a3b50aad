// What the benchmark programs share: a file offered to one format module, as
// the registry would offer it.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <cstdint>
#include <string>
#include <vector>

#include "decoders/Decoders.h"
#include "decoders/TW_File.h"

namespace bench {

// Fills track (its path set to path) when module accepts the file.
inline bool ProbeWith(const decoders::DecoderClass& module, const std::string& path,
                      decoders::TrackInfo* track) {
  track->path = path;
  decoders::FileHandle file(
      decoders::TW_File_Open(path, decoders::kFileRead | decoders::kFileNoRam, 16384));
  if (!file) return false;
  std::vector<uint8_t> header(decoders::kHeaderSize, 0);
  const int32_t got = decoders::TW_File_Read(file.get(), header.data(), int32_t(header.size()));
  decoders::TW_File_Seek(file.get(), 0, decoders::kSeekStart);
  return got > 0 && module.probe(file.get(), header.data(), size_t(std::max(got, 0)), track);
}

// Runs the benchmarks the command line names, then removes the run's scratch folder.
inline int RunThenRemove(int argc, char** argv, const std::string& folder) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);
  return 0;
}

}  // namespace bench
