#include "decoders/ImaAdpcm.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace decoders {
namespace {

constexpr std::array<int16_t, 89> kImaSteps = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int8_t, 16> kImaIndexSteps = {-1, -1, -1, -1, 2, 4, 6, 8,
                                                   -1, -1, -1, -1, 2, 4, 6, 8};

}  // namespace

int16_t ImaExpand(ImaState* state, uint8_t code) {
  code &= 0x0F;
  const int32_t step = kImaSteps[static_cast<size_t>(state->index)];
  int32_t difference = step >> 3;
  if (code & 4) difference += step;
  if (code & 2) difference += step >> 1;
  if (code & 1) difference += step >> 2;
  state->predicted += (code & 8) ? -difference : difference;
  state->predicted = std::clamp(state->predicted, -32768, 32767);
  state->index = std::clamp(state->index + kImaIndexSteps[code], 0, 88);
  return static_cast<int16_t>(state->predicted);
}

void DecodeIma4Packet(const uint8_t* packet, ImaState* state, int16_t* out, size_t stride) {
  const auto header = static_cast<int16_t>((packet[0] << 8) | packet[1]);
  const int32_t predicted = header & ~0x7F;
  const int32_t index = std::min(header & 0x7F, 88);
  const bool restates = index == state->index && std::abs(predicted - state->predicted) <= 0x7F;
  if (!restates) *state = {predicted, index};
  for (size_t i = 0; i < 32; ++i) {
    const uint8_t byte = packet[2 + i];
    out[(2 * i) * stride] = ImaExpand(state, byte & 0x0F);
    out[(2 * i + 1) * stride] = ImaExpand(state, byte >> 4);
  }
}

}  // namespace decoders
