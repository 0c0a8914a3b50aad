// Mixing three to eight channels down to the stereo the engine plays. Front
// left/right go at unity to their side, centres at -3 dB into both sides, each
// surround at -3 dB into its own side, the LFE channel is dropped, and sums are
// clipped to 16 bits. Formats name their channel order (WAVE without a mask and
// FLAC share one, Vorbis and Opus another; WAVE_FORMAT_EXTENSIBLE gives a mask).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace decoders {

// Positions numbered as the bits of the WAVE_FORMAT_EXTENSIBLE channel mask.
enum class Speaker : uint8_t {
  kFrontLeft = 0,
  kFrontRight,
  kFrontCentre,
  kLowFrequency,
  kBackLeft,
  kBackRight,
  kFrontLeftOfCentre,
  kFrontRightOfCentre,
  kBackCentre,
  kSideLeft,
  kSideRight,
  kTopCentre,
  kTopFrontLeft,
  kTopFrontCentre,
  kTopFrontRight,
  kTopBackLeft,
  kTopBackCentre,
  kTopBackRight,
  kUnassigned,  // a channel beyond the mask's bits, or a bit no position names
};

constexpr int kMaxMixChannels = 8;

// Which speaker each of `channels` interleaved (or planar) channels feeds.
// channels == 0 marks an order no table gives (a count outside 1..8).
struct ChannelOrder {
  int channels = 0;
  std::array<Speaker, kMaxMixChannels> speakers{};
};

// WAVE without a channel mask, and FLAC: FL FR FC LFE BL BR for 5.1, with the
// FLAC tables for the other counts (4: FL FR BL BR; 7: ... BC SL SR; 8: ... SL SR).
ChannelOrder WaveOrder(int channels);
// Vorbis, and Opus channel mapping family 1: FL FC FR BL BR LFE for 5.1.
ChannelOrder VorbisOrder(int channels);
// WAVE_FORMAT_EXTENSIBLE: the mask's set bits from the lowest, in channel order;
// channels beyond them are unassigned. A zero mask means WaveOrder.
ChannelOrder MaskOrder(uint32_t mask, int channels);

// Mixes 16-bit frames of a given order down to left/right. Outputs are written
// through byte copies, so they need no alignment; inputs must not overlap them.
class StereoMixdown {
 public:
  explicit StereoMixdown(const ChannelOrder& order);

  int channels() const { return channels_; }
  // `frames` interleaved frames of channels() samples each.
  void MixInterleaved(const int16_t* src, size_t frames, void* left, void* right) const;
  // One plane of `frames` samples per channel.
  void MixPlanar(const int16_t* const* planes, size_t frames, void* left, void* right) const;

 private:
  int channels_ = 0;
  std::array<int32_t, kMaxMixChannels> left_gain_{};   // Q15
  std::array<int32_t, kMaxMixChannels> right_gain_{};  // Q15
};

}  // namespace decoders
