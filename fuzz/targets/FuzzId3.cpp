// Decodes arbitrary tag blocks, checks a decoded tag encodes and decodes to the
// same fields, and reads the input's last 128 bytes the way the decoders do.
#include <cstdlib>
#include <cstring>

#include "FuzzInput.h"
#include "decoders/Id3v1.h"

int FuzzId3(const uint8_t* data, size_t size) {
  decoders::ID3Tag tag;
  const fuzz::InputFile input(data, size, ".mp3");
  if (decoders::ID3_Read(input.path(), &tag) == decoders::kId3Ok) {
    const auto block = decoders::ID3_Encode(tag);
    decoders::ID3Tag again;
    if (!decoders::ID3_Decode(block.data(), &again)) std::abort();
    if (decoders::ID3_Encode(again) != block) std::abort();
  }
  if (size >= decoders::kId3BlockSize) decoders::ID3_Decode(data, &tag);
  return 0;
}

TW_FUZZ_ENTRY(FuzzId3)
