// IMA/DVI ADPCM: the 4-bit code expansion shared by the AIFF ADP4 chunk and
// Apple's "ima4" packets, and the packet decoding of the latter.
#pragma once

#include <cstddef>
#include <cstdint>

namespace decoders {

struct ImaState {
  int32_t predicted = 0;
  int32_t index = 0;  // 0..88
};

// Expands one code (its low four bits) and moves the state on.
int16_t ImaExpand(ImaState* state, uint8_t code);

// Apple "ima4": per channel, packets of a 2-byte header (the top nine bits of the
// predictor, then the step index) and 32 bytes of codes, low nibble first.
constexpr size_t kIma4PacketBytes = 34;
constexpr int kIma4PacketFrames = 64;

// Decodes one channel's packet into out[0], out[stride], ... (64 samples). A
// header that only restates the running state (same index, predictor within its
// 7 dropped bits) keeps the state's full precision, as QuickTime's decoder does.
void DecodeIma4Packet(const uint8_t* packet, ImaState* state, int16_t* out, size_t stride);

}  // namespace decoders
