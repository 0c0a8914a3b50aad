// Uncompressed sample codings as stored in sound files, and their conversion to
// the de-interleaved blocks decoders deliver (8-bit: signed bytes; 16-bit and
// mu-law: native int16).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace decoders {

enum class PcmCoding : uint8_t {
  kUnsigned8,   // WAVE 8-bit
  kSigned8,     // AU, AIFF 8-bit
  kSigned16Le,  // WAVE 16-bit, AIFF-C 'sowt'
  kSigned16Be,  // AU, AIFF 16-bit
  kMuLaw,       // G.711 mu-law bytes, delivered as 16 bits
  // Wider samples, delivered reduced to 16 bits (ReduceTo16, ReduceFloatTo16).
  kSigned24Le,
  kSigned24Be,
  kSigned32Le,
  kSigned32Be,
  kFloat32Le,
  kFloat32Be,
  kFloat64Le,
  kFloat64Be,
};

// 16-bit samples in the machine's own byte order, as libraries deliver them.
constexpr PcmCoding kNativeSigned16 =
    std::endian::native == std::endian::big ? PcmCoding::kSigned16Be : PcmCoding::kSigned16Le;

// Bytes one sample takes in the file.
constexpr size_t StoredBytes(PcmCoding coding) {
  switch (coding) {
    case PcmCoding::kUnsigned8:
    case PcmCoding::kSigned8:
    case PcmCoding::kMuLaw: return 1;
    case PcmCoding::kSigned16Le:
    case PcmCoding::kSigned16Be: return 2;
    case PcmCoding::kSigned24Le:
    case PcmCoding::kSigned24Be: return 3;
    case PcmCoding::kFloat64Le:
    case PcmCoding::kFloat64Be: return 8;
    default: return 4;
  }
}
// Width of the samples delivered: 8 or 16.
constexpr int DeliveredBits(PcmCoding coding) {
  return coding == PcmCoding::kUnsigned8 || coding == PcmCoding::kSigned8 ? 8 : 16;
}

// Reduction of wider samples to 16 bits: round to nearest, ties toward +infinity,
// then clip (no dither, so the result is predictable). A `bits`-wide integer
// sample becomes (x + 2^(bits-17)) >> (bits-16), e.g. (x + 128) >> 8 for 24 bits;
// widths up to 16 are shifted up. bits is 1..32.
int16_t ReduceTo16(int32_t sample, int bits);
// Float samples of full scale ±1.0 go through a 32-bit integer first, as sox
// reads them, then on as 32-bit integers; sox -D gives the same 16 bits. A double
// is rounded to that integer (halves away from zero), which makes the whole
// floor(x × 32768 + 0.5) but for values within 2^-31 of a rounding boundary; a
// float is truncated toward zero. Both clip; NaN is 0.
int16_t ReduceFloatTo16(double sample);
int16_t ReduceFloat32To16(float sample);

// ITU-T G.711 mu-law expansion (0x00 -> -32124, 0x80 -> 32124, 0x7F and 0xFF -> 0).
int16_t MuLawToLinear(uint8_t code);

// Converts frames of interleaved samples (channels 1 or 2) from src into left
// and, for two channels, right. For one channel src may equal left when the
// coding is stored as wide as it is delivered (8 and 16 bits, not mu-law); else
// src must not overlap the outputs.
void DecodePcm(PcmCoding coding, const uint8_t* src, size_t frames, int channels, void* left,
               void* right);

// Converts `samples` stored samples into 16-bit ones (8-bit samples scaled up),
// keeping them interleaved: the input of a channel mixdown. out must not overlap src.
void WidenToInt16(PcmCoding coding, const uint8_t* src, size_t samples, int16_t* out);

// The reverse, for tools and tests: delivered blocks of `bits` (8 or 16) back to
// interleaved little-endian bytes, frames × channels × bits/8 of them at out.
void InterleaveLittleEndian(const void* left, const void* right, size_t frames, int channels,
                            int bits, uint8_t* out);

}  // namespace decoders
