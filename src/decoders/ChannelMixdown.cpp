#include "decoders/ChannelMixdown.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace decoders {
namespace {

using S = Speaker;

constexpr int32_t kUnity = 32768;  // Q15
constexpr int32_t kMinus3dB = 23170;  // 1/sqrt(2) in Q15

ChannelOrder Order(std::initializer_list<Speaker> speakers) {
  ChannelOrder order;
  for (Speaker speaker : speakers) order.speakers[static_cast<size_t>(order.channels++)] = speaker;
  return order;
}

struct Gains {
  int32_t left = 0;
  int32_t right = 0;
};

Gains GainsOf(Speaker speaker) {
  switch (speaker) {
    case S::kFrontLeft:
    case S::kFrontLeftOfCentre:
      return {kUnity, 0};
    case S::kFrontRight:
    case S::kFrontRightOfCentre:
      return {0, kUnity};
    case S::kLowFrequency:
      return {0, 0};
    case S::kBackLeft:
    case S::kSideLeft:
    case S::kTopFrontLeft:
    case S::kTopBackLeft:
      return {kMinus3dB, 0};
    case S::kBackRight:
    case S::kSideRight:
    case S::kTopFrontRight:
    case S::kTopBackRight:
      return {0, kMinus3dB};
    default:  // centres, and channels nobody placed: heard on both sides
      return {kMinus3dB, kMinus3dB};
  }
}

int16_t Clip(int64_t q15_sum) {
  const int64_t rounded = (q15_sum + kUnity / 2) >> 15;
  return static_cast<int16_t>(std::clamp<int64_t>(rounded, -32768, 32767));
}

void Store(void* plane, size_t index, int16_t sample) {
  std::memcpy(static_cast<uint8_t*>(plane) + 2 * index, &sample, 2);
}

}  // namespace

ChannelOrder WaveOrder(int channels) {
  switch (channels) {
    case 1: return Order({S::kFrontCentre});
    case 2: return Order({S::kFrontLeft, S::kFrontRight});
    case 3: return Order({S::kFrontLeft, S::kFrontRight, S::kFrontCentre});
    case 4: return Order({S::kFrontLeft, S::kFrontRight, S::kBackLeft, S::kBackRight});
    case 5:
      return Order({S::kFrontLeft, S::kFrontRight, S::kFrontCentre, S::kBackLeft, S::kBackRight});
    case 6:
      return Order({S::kFrontLeft, S::kFrontRight, S::kFrontCentre, S::kLowFrequency,
                    S::kBackLeft, S::kBackRight});
    case 7:
      return Order({S::kFrontLeft, S::kFrontRight, S::kFrontCentre, S::kLowFrequency,
                    S::kBackCentre, S::kSideLeft, S::kSideRight});
    case 8:
      return Order({S::kFrontLeft, S::kFrontRight, S::kFrontCentre, S::kLowFrequency,
                    S::kBackLeft, S::kBackRight, S::kSideLeft, S::kSideRight});
    default: return {};
  }
}

ChannelOrder VorbisOrder(int channels) {
  switch (channels) {
    case 1: return Order({S::kFrontCentre});
    case 2: return Order({S::kFrontLeft, S::kFrontRight});
    case 3: return Order({S::kFrontLeft, S::kFrontCentre, S::kFrontRight});
    case 4: return Order({S::kFrontLeft, S::kFrontRight, S::kBackLeft, S::kBackRight});
    case 5:
      return Order({S::kFrontLeft, S::kFrontCentre, S::kFrontRight, S::kBackLeft, S::kBackRight});
    case 6:
      return Order({S::kFrontLeft, S::kFrontCentre, S::kFrontRight, S::kBackLeft, S::kBackRight,
                    S::kLowFrequency});
    case 7:
      return Order({S::kFrontLeft, S::kFrontCentre, S::kFrontRight, S::kSideLeft, S::kSideRight,
                    S::kBackCentre, S::kLowFrequency});
    case 8:
      return Order({S::kFrontLeft, S::kFrontCentre, S::kFrontRight, S::kSideLeft, S::kSideRight,
                    S::kBackLeft, S::kBackRight, S::kLowFrequency});
    default: return {};
  }
}

ChannelOrder MaskOrder(uint32_t mask, int channels) {
  if (mask == 0) return WaveOrder(channels);
  if (channels < 1 || channels > kMaxMixChannels) return {};
  ChannelOrder order;
  order.channels = channels;
  int next = 0;
  for (int bit = 0; bit < 32 && next < channels; ++bit) {
    if (!(mask & (uint32_t{1} << bit))) continue;
    order.speakers[static_cast<size_t>(next++)] =
        bit < static_cast<int>(S::kUnassigned) ? static_cast<Speaker>(bit) : S::kUnassigned;
  }
  for (; next < channels; ++next) order.speakers[static_cast<size_t>(next)] = S::kUnassigned;
  return order;
}

StereoMixdown::StereoMixdown(const ChannelOrder& order)
    : channels_(std::clamp(order.channels, 0, kMaxMixChannels)) {
  for (size_t c = 0; c < static_cast<size_t>(channels_); ++c) {
    const Gains gains = GainsOf(order.speakers[c]);
    left_gain_[c] = gains.left;
    right_gain_[c] = gains.right;
  }
}

void StereoMixdown::MixInterleaved(const int16_t* src, size_t frames, void* left,
                                   void* right) const {
  const auto stride = static_cast<size_t>(channels_);
  for (size_t i = 0; i < frames; ++i) {
    const int16_t* frame = src + i * stride;
    int64_t l = 0;
    int64_t r = 0;
    for (size_t c = 0; c < stride; ++c) {
      l += int64_t{left_gain_[c]} * frame[c];
      r += int64_t{right_gain_[c]} * frame[c];
    }
    Store(left, i, Clip(l));
    Store(right, i, Clip(r));
  }
}

void StereoMixdown::MixPlanar(const int16_t* const* planes, size_t frames, void* left,
                              void* right) const {
  const auto count = static_cast<size_t>(channels_);
  for (size_t i = 0; i < frames; ++i) {
    int64_t l = 0;
    int64_t r = 0;
    for (size_t c = 0; c < count; ++c) {
      l += int64_t{left_gain_[c]} * planes[c][i];
      r += int64_t{right_gain_[c]} * planes[c][i];
    }
    Store(left, i, Clip(l));
    Store(right, i, Clip(r));
  }
}

}  // namespace decoders
