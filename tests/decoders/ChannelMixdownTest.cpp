#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoders/ChannelMixdown.h"
#include "decoders/PcmCodec.h"

using decoders::ChannelOrder;
using decoders::Speaker;
using decoders::StereoMixdown;

namespace {

struct Stereo {
  std::vector<int16_t> left, right;
};

// One frame of `order` with `value` on the channel at `speaker`, silence elsewhere.
Stereo MixOne(const ChannelOrder& order, Speaker speaker, int16_t value) {
  std::vector<int16_t> frame(static_cast<size_t>(order.channels), 0);
  for (int c = 0; c < order.channels; ++c)
    if (order.speakers[static_cast<size_t>(c)] == speaker) frame[static_cast<size_t>(c)] = value;
  Stereo out{{0}, {0}};
  StereoMixdown(order).MixInterleaved(frame.data(), 1, out.left.data(), out.right.data());
  return out;
}

double Db(int16_t out, int16_t in) { return 20.0 * std::log10(double(out) / in); }

}  // namespace

TEST(ChannelMixdown, EachSpeakerReachesItsSidesAtItsLevel) {
  for (const ChannelOrder& order : {decoders::WaveOrder(6), decoders::VorbisOrder(6),
                                    decoders::MaskOrder(0x60F, 6)}) {
    const Stereo front = MixOne(order, Speaker::kFrontLeft, 20000);
    EXPECT_EQ(front.left[0], 20000);
    EXPECT_EQ(front.right[0], 0);
    const Stereo centre = MixOne(order, Speaker::kFrontCentre, 20000);
    EXPECT_NEAR(Db(centre.left[0], 20000), -3.0, 0.02);
    EXPECT_EQ(centre.left[0], centre.right[0]);
    const Speaker right_surround =
        order.speakers[5] == Speaker::kSideRight || order.speakers[4] == Speaker::kSideRight
            ? Speaker::kSideRight
            : Speaker::kBackRight;
    const Stereo surround = MixOne(order, right_surround, 20000);
    EXPECT_EQ(surround.left[0], 0);
    EXPECT_NEAR(Db(surround.right[0], 20000), -3.0, 0.02);
    const Stereo lfe = MixOne(order, Speaker::kLowFrequency, 20000);
    EXPECT_EQ(lfe.left[0], 0);
    EXPECT_EQ(lfe.right[0], 0);
  }
}

TEST(ChannelMixdown, OrdersPlaceChannelsAsTheirFormatsDo) {
  const ChannelOrder wave = decoders::WaveOrder(6);
  const ChannelOrder vorbis = decoders::VorbisOrder(6);
  EXPECT_EQ(wave.speakers[2], Speaker::kFrontCentre);
  EXPECT_EQ(wave.speakers[3], Speaker::kLowFrequency);
  EXPECT_EQ(vorbis.speakers[1], Speaker::kFrontCentre);
  EXPECT_EQ(vorbis.speakers[5], Speaker::kLowFrequency);
  EXPECT_EQ(decoders::WaveOrder(9).channels, 0);
  EXPECT_EQ(decoders::VorbisOrder(0).channels, 0);
  // Quad from a mask (FL FR BL BR); a channel past the mask's bits is heard on both sides.
  const ChannelOrder quad = decoders::MaskOrder(0x33, 5);
  EXPECT_EQ(quad.speakers[2], Speaker::kBackLeft);
  EXPECT_EQ(quad.speakers[4], Speaker::kUnassigned);
  const Stereo extra = MixOne(quad, Speaker::kUnassigned, 1000);
  EXPECT_EQ(extra.left[0], extra.right[0]);
  EXPECT_GT(extra.left[0], 0);
}

TEST(ChannelMixdown, LoudSumsClipAndPlanarMatchesInterleaved) {
  const ChannelOrder order = decoders::WaveOrder(6);
  const std::vector<int16_t> interleaved = {32767, -32768, 32767, 32767, 32767, -32768,
                                            -5,    7,      3,     0,     -1,    1};
  std::vector<int16_t> planes_data(12);
  std::vector<const int16_t*> planes;
  for (size_t c = 0; c < 6; ++c) {
    planes_data[c * 2] = interleaved[c];
    planes_data[c * 2 + 1] = interleaved[6 + c];
  }
  for (size_t c = 0; c < 6; ++c) planes.push_back(&planes_data[c * 2]);
  int16_t left[2], right[2], pleft[2], pright[2];
  StereoMixdown mix(order);
  mix.MixInterleaved(interleaved.data(), 2, left, right);
  mix.MixPlanar(planes.data(), 2, pleft, pright);
  EXPECT_EQ(left[0], 32767);
  EXPECT_EQ(right[0], -32768);
  EXPECT_EQ(left[1], pleft[1]);
  EXPECT_EQ(right[1], pright[1]);
  EXPECT_EQ(left[0], pleft[0]);
  EXPECT_EQ(right[0], pright[0]);
}

TEST(ChannelMixdown, WideSamplesRoundTiesUpThenClip) {
  EXPECT_EQ(decoders::ReduceTo16(0x7FFFFF, 24), 32767);   // would round to 32768
  EXPECT_EQ(decoders::ReduceTo16(-0x800000, 24), -32768);
  EXPECT_EQ(decoders::ReduceTo16(128, 24), 1);            // a tie goes up
  EXPECT_EQ(decoders::ReduceTo16(-128, 24), 0);
  EXPECT_EQ(decoders::ReduceTo16(-129, 24), -1);
  EXPECT_EQ(decoders::ReduceTo16(INT32_MAX, 32), 32767);
  EXPECT_EQ(decoders::ReduceTo16(-1, 8), -256);
  EXPECT_EQ(decoders::ReduceFloatTo16(1.0), 32767);
  EXPECT_EQ(decoders::ReduceFloatTo16(-1.5), -32768);
  EXPECT_EQ(decoders::ReduceFloatTo16(-0.5 / 32768), 0);
  EXPECT_EQ(decoders::ReduceFloatTo16(std::nan("")), 0);
  // Just below a boundary: a double rounds up through 32 bits, a float truncates.
  EXPECT_EQ(decoders::ReduceFloatTo16(32767.75 / 2147483648.0), 1);
  EXPECT_EQ(decoders::ReduceFloat32To16(32767.75f / 2147483648.0f), 0);
  EXPECT_EQ(decoders::ReduceFloat32To16(-32768.25f / 2147483648.0f), 0);
  EXPECT_EQ(decoders::ReduceFloat32To16(2.0f), 32767);
}
