// Decodes arbitrary tag blocks, checks a decoded tag encodes and decodes to the
// same fields, reads the input's last 128 bytes the way the decoders do, and
// writes a tag into the file (replacing or appending) and reads it back.
#include <cstdlib>
#include <cstring>

#include "FuzzFileReads.h"
#include "FuzzInput.h"
#include "decoders/Id3v1.h"

namespace {

// Whatever the file held, a written tag must read back as written.
void WriteAndReadBack(const std::string& path, const decoders::ID3Tag& tag) {
  if (decoders::ID3_Write(path, tag) != decoders::kId3Ok) std::abort();
  decoders::ID3Tag again;
  if (decoders::ID3_Read(path, &again) != decoders::kId3Ok) std::abort();
  if (decoders::ID3_Encode(again) != decoders::ID3_Encode(tag)) std::abort();
}

}  // namespace

int FuzzId3(const uint8_t* data, size_t size) {
  fuzz::ReadFilesWithoutThreads();
  decoders::ID3Tag tag;
  const fuzz::InputFile input(data, size, ".mp3");
  if (decoders::ID3_Read(input.path(), &tag) == decoders::kId3Ok) {
    const auto block = decoders::ID3_Encode(tag);
    decoders::ID3Tag again;
    if (!decoders::ID3_Decode(block.data(), &again)) std::abort();
    if (decoders::ID3_Encode(again) != block) std::abort();
    tag.title = "rewritten";
  } else if (size >= decoders::kId3BlockSize) {
    decoders::ID3_Decode(data, &tag);
  }
  WriteAndReadBack(input.path(), tag);
  return 0;
}

TW_FUZZ_ENTRY(FuzzId3)
