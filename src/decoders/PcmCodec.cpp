#include "decoders/PcmCodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace decoders {
namespace {

constexpr std::array<int16_t, 256> MakeMuLawTable() {
  std::array<int16_t, 256> table{};
  for (int code = 0; code < 256; ++code) {
    const int u = ~code & 0xFF;
    const int magnitude = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    table[static_cast<size_t>(code)] =
        static_cast<int16_t>((u & 0x80) ? 0x84 - magnitude : magnitude - 0x84);
  }
  return table;
}
constexpr std::array<int16_t, 256> kMuLaw = MakeMuLawTable();

uint32_t Le(const uint8_t* p, size_t bytes) {
  uint32_t value = 0;
  for (size_t i = bytes; i-- > 0;) value = value << 8 | p[i];
  return value;
}
uint32_t Be(const uint8_t* p, size_t bytes) {
  uint32_t value = 0;
  for (size_t i = 0; i < bytes; ++i) value = value << 8 | p[i];
  return value;
}
uint64_t Le64(const uint8_t* p) { return Le(p, 4) | uint64_t{Le(p + 4, 4)} << 32; }
uint64_t Be64(const uint8_t* p) { return uint64_t{Be(p, 4)} << 32 | Be(p + 4, 4); }

// A 24-bit two's-complement value held in the low bits.
int32_t SignExtend24(uint32_t value) { return static_cast<int32_t>(value << 8) >> 8; }

}  // namespace

int16_t ReduceTo16(int32_t sample, int bits) {
  if (bits <= 16) return static_cast<int16_t>(sample * (1 << (16 - std::max(bits, 1))));
  const int shift = bits - 16;
  const int64_t rounded = (int64_t{sample} + (int64_t{1} << (shift - 1))) >> shift;
  return static_cast<int16_t>(std::min<int64_t>(rounded, 32767));
}

int16_t ReduceFloatTo16(double sample) {
  if (!(sample == sample)) return 0;
  const double scaled = sample * 2147483648.0;
  const double rounded = scaled < 0 ? scaled - 0.5 : scaled + 0.5;
  const double clipped = std::clamp(rounded, -2147483648.0, 2147483647.0);
  return ReduceTo16(static_cast<int32_t>(clipped), 32);
}

int16_t ReduceFloat32To16(float sample) {
  if (!(sample == sample)) return 0;
  const double scaled = std::clamp(double{sample} * 2147483648.0, -2147483648.0, 2147483647.0);
  return ReduceTo16(static_cast<int32_t>(scaled), 32);
}

namespace {

// One stored sample as a 16-bit one; 8-bit codings are scaled up. Called with a
// coding fixed at compile time (Dispatch below), so the switch folds away.
inline int16_t Sample(PcmCoding coding, const uint8_t* p) {
  switch (coding) {
    case PcmCoding::kUnsigned8: return static_cast<int16_t>((p[0] - 128) * 256);
    case PcmCoding::kSigned8: return static_cast<int16_t>(static_cast<int8_t>(p[0]) * 256);
    case PcmCoding::kSigned16Le: return static_cast<int16_t>(p[0] | (p[1] << 8));
    case PcmCoding::kSigned16Be: return static_cast<int16_t>((p[0] << 8) | p[1]);
    case PcmCoding::kMuLaw: return kMuLaw[p[0]];
    case PcmCoding::kSigned24Le: return ReduceTo16(SignExtend24(Le(p, 3)), 24);
    case PcmCoding::kSigned24Be: return ReduceTo16(SignExtend24(Be(p, 3)), 24);
    case PcmCoding::kSigned32Le: return ReduceTo16(static_cast<int32_t>(Le(p, 4)), 32);
    case PcmCoding::kSigned32Be: return ReduceTo16(static_cast<int32_t>(Be(p, 4)), 32);
    case PcmCoding::kFloat32Le: return ReduceFloat32To16(std::bit_cast<float>(Le(p, 4)));
    case PcmCoding::kFloat32Be: return ReduceFloat32To16(std::bit_cast<float>(Be(p, 4)));
    case PcmCoding::kFloat64Le: return ReduceFloatTo16(std::bit_cast<double>(Le64(p)));
    case PcmCoding::kFloat64Be: return ReduceFloatTo16(std::bit_cast<double>(Be64(p)));
  }
  return 0;
}

void Decode8(PcmCoding coding, const uint8_t* src, size_t frames, int channels, uint8_t* left,
             uint8_t* right) {
  const uint8_t flip = coding == PcmCoding::kUnsigned8 ? 0x80 : 0x00;
  if (channels == 1) {
    for (size_t i = 0; i < frames; ++i) left[i] = src[i] ^ flip;
    return;
  }
  for (size_t i = 0; i < frames; ++i) {
    left[i] = src[2 * i] ^ flip;
    right[i] = src[2 * i + 1] ^ flip;
  }
}

// Calls f with the coding as a compile-time constant, so that per-sample work
// is compiled once per coding rather than switching on it for every sample.
template <typename F>
void Dispatch(PcmCoding coding, F&& f) {
  using C = PcmCoding;
  switch (coding) {
    case C::kUnsigned8: return f(std::integral_constant<C, C::kUnsigned8>{});
    case C::kSigned8: return f(std::integral_constant<C, C::kSigned8>{});
    case C::kSigned16Le: return f(std::integral_constant<C, C::kSigned16Le>{});
    case C::kSigned16Be: return f(std::integral_constant<C, C::kSigned16Be>{});
    case C::kMuLaw: return f(std::integral_constant<C, C::kMuLaw>{});
    case C::kSigned24Le: return f(std::integral_constant<C, C::kSigned24Le>{});
    case C::kSigned24Be: return f(std::integral_constant<C, C::kSigned24Be>{});
    case C::kSigned32Le: return f(std::integral_constant<C, C::kSigned32Le>{});
    case C::kSigned32Be: return f(std::integral_constant<C, C::kSigned32Be>{});
    case C::kFloat32Le: return f(std::integral_constant<C, C::kFloat32Le>{});
    case C::kFloat32Be: return f(std::integral_constant<C, C::kFloat32Be>{});
    case C::kFloat64Le: return f(std::integral_constant<C, C::kFloat64Le>{});
    case C::kFloat64Be: return f(std::integral_constant<C, C::kFloat64Be>{});
  }
}

// Writes through memcpy: the caller's buffers need not be aligned, and in-place
// one-channel conversion reads each sample before overwriting it.
template <PcmCoding kCoding>
void Decode16(const uint8_t* src, size_t frames, int channels, uint8_t* left, uint8_t* right) {
  constexpr size_t kWidth = StoredBytes(kCoding);
  const size_t stride = kWidth * static_cast<size_t>(channels);
  for (size_t i = 0; i < frames; ++i) {
    const uint8_t* frame = src + i * stride;
    const int16_t l = Sample(kCoding, frame);
    std::memcpy(left + 2 * i, &l, 2);
    if (channels == 2) {
      const int16_t r = Sample(kCoding, frame + kWidth);
      std::memcpy(right + 2 * i, &r, 2);
    }
  }
}

}  // namespace

int16_t MuLawToLinear(uint8_t code) { return kMuLaw[code]; }

void WidenToInt16(PcmCoding coding, const uint8_t* src, size_t samples, int16_t* out) {
  Dispatch(coding, [&](auto constant) {
    constexpr PcmCoding kCoding = decltype(constant)::value;
    for (size_t i = 0; i < samples; ++i) out[i] = Sample(kCoding, src + i * StoredBytes(kCoding));
  });
}

void DecodePcm(PcmCoding coding, const uint8_t* src, size_t frames, int channels, void* left,
               void* right) {
  auto* l = static_cast<uint8_t*>(left);
  auto* r = static_cast<uint8_t*>(right);
  if (DeliveredBits(coding) == 8) {
    Decode8(coding, src, frames, channels, l, r);
    return;
  }
  Dispatch(coding, [&](auto constant) {
    Decode16<decltype(constant)::value>(src, frames, channels, l, r);
  });
}

void InterleaveLittleEndian(const void* left, const void* right, size_t frames, int channels,
                            int bits, uint8_t* out) {
  const size_t width = bits == 16 ? 2 : 1;
  const uint8_t* planes[2] = {static_cast<const uint8_t*>(left),
                              static_cast<const uint8_t*>(right)};
  for (size_t frame = 0; frame < frames; ++frame) {
    for (int channel = 0; channel < channels; ++channel) {
      const uint8_t* src = planes[channel] + frame * width;
      if (width == 1) {
        *out++ = *src;
        continue;
      }
      int16_t sample;
      std::memcpy(&sample, src, 2);
      const auto word = static_cast<uint16_t>(sample);
      *out++ = static_cast<uint8_t>(word & 0xFF);
      *out++ = static_cast<uint8_t>(word >> 8);
    }
  }
}

}  // namespace decoders
