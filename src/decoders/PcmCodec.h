// Uncompressed sample codings as stored in sound files, and their conversion to
// the de-interleaved blocks decoders deliver (8-bit: signed bytes; 16-bit and
// mu-law: native int16).
#pragma once

#include <cstddef>
#include <cstdint>

namespace decoders {

enum class PcmCoding : uint8_t {
  kUnsigned8,   // WAVE 8-bit
  kSigned8,     // AU, AIFF 8-bit
  kSigned16Le,  // WAVE 16-bit, AIFF-C 'sowt'
  kSigned16Be,  // AU, AIFF 16-bit
  kMuLaw,       // G.711 mu-law bytes, delivered as 16 bits
};

// Bytes one sample takes in the file.
constexpr size_t StoredBytes(PcmCoding coding) {
  return coding == PcmCoding::kSigned16Le || coding == PcmCoding::kSigned16Be ? 2 : 1;
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
// A float sample of full scale ±1.0 becomes floor(x × 32768 + 0.5), clipped; NaN is 0.
int16_t ReduceFloatTo16(double sample);

// ITU-T G.711 mu-law expansion (0x00 -> -32124, 0x80 -> 32124, 0x7F and 0xFF -> 0).
int16_t MuLawToLinear(uint8_t code);

// Converts frames of interleaved samples (channels 1 or 2) from src into left
// and, for two channels, right. For one channel src may equal left unless the
// coding widens (mu-law); then src must not overlap the outputs.
void DecodePcm(PcmCoding coding, const uint8_t* src, size_t frames, int channels, void* left,
               void* right);

// The reverse, for tools and tests: delivered blocks of `bits` (8 or 16) back to
// interleaved little-endian bytes, frames × channels × bits/8 of them at out.
void InterleaveLittleEndian(const void* left, const void* right, size_t frames, int channels,
                            int bits, uint8_t* out);

}  // namespace decoders
