// Shared by the fuzz targets and the corpus replay test. Inputs reach the
// parsers as real files, since the program reads only through its file layer;
// the files live in /dev/shm to keep the runs off the disk.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Makes entry the fuzzer's input function; the replay test, which defines
// TW_FUZZ_REPLAY, calls the entries by name instead.
#ifdef TW_FUZZ_REPLAY
#define TW_FUZZ_ENTRY(entry)
#else
#define TW_FUZZ_ENTRY(entry)                                                \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { \
    return entry(data, size);                                               \
  }
#endif

namespace fuzz {

// A file holding one input, removed when the object goes.
class InputFile {
 public:
  InputFile(const uint8_t* data, size_t size, const char* suffix)
      : path_("/dev/shm/twfuzz-" + std::to_string(::getpid()) + suffix) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    if (std::fclose(file) != 0) std::abort();
  }
  ~InputFile() { ::unlink(path_.c_str()); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace fuzz
