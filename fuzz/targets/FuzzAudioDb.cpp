// Feeds arbitrary bytes to the database reader, then checks that what it kept
// writes out as a file that reads back to the same lists without error.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "audiodb/AudioDbFile.h"

namespace {

int ReadFrom(audiodb::AudioDatabase& db, std::string& text) {
  std::FILE* stream = ::fmemopen(text.data(), text.size(), "rb");
  if (stream == nullptr) return -1;
  const int result = audiodb::AudioDb_ReadStream(db, stream, static_cast<int64_t>(text.size()));
  std::fclose(stream);
  return result;
}

}  // namespace

int FuzzAudioDb(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  std::string input(reinterpret_cast<const char*>(data), size);
  auto db = audiodb::AudioDb_Create();
  ReadFrom(*db, input);
  std::string written = audiodb::AudioDb_Format(*db);
  auto again = audiodb::AudioDb_Create();
  if (ReadFrom(*again, written) != audiodb::kAudioDbOk) std::abort();
  for (int list = 0; list < audiodb::kNameListCount; ++list) {
    if (audiodb::AudioDb_NameCount(*again, list) != audiodb::AudioDb_NameCount(*db, list)) {
      std::abort();
    }
  }
  if (audiodb::AudioDb_TitleCount(*again) != audiodb::AudioDb_TitleCount(*db)) std::abort();
  return 0;
}

TW_FUZZ_ENTRY(FuzzAudioDb)
