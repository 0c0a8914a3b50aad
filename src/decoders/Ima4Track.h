// Playback of Apple "ima4" packets (AIFF-C): one to eight channels, each frame of
// 64 samples stored as one 34-byte packet per channel. Decoding carries state
// from packet to packet, so the track records the state every 1024 frames while
// it plays and seeks from the nearest record, decoding forward from there.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "decoders/IffReader.h"
#include "decoders/ImaAdpcm.h"
#include "decoders/PcmTrack.h"

namespace decoders {

// Bytes of one packet frame (a packet for each channel).
constexpr size_t Ima4FrameBytes(int channels) {
  return kIma4PacketBytes * static_cast<size_t>(channels);
}

// Same contract as PcmTrack; the layout's coding is not used.
class Ima4Track {
 public:
  bool Open(const std::string& path, const PcmLayout& layout);
  int32_t Decode(void* left, void* right, int32_t max_frames, double seconds);
  double Seek(double seconds);
  double Position() const;

 private:
  using States = std::array<ImaState, kMaxPcmChannels>;

  // Decodes the packet frame at packet_ into decoded_; false at the end of the data.
  bool DecodePacket();
  // Restarts at packet 0, or at the latest recorded packet at or before `packet`.
  void Rewind(int64_t packet);

  FileHandle file_;
  PcmLayout layout_;
  StereoMixdown mixdown_{ChannelOrder{}};
  int64_t position_ = 0;  // frames delivered
  int64_t packet_ = 0;    // packet frame that DecodePacket reads next
  States states_{};
  std::vector<uint8_t> raw_;
  std::vector<int16_t> decoded_;  // interleaved frames of packet_ - 1
  int64_t decoded_packet_ = -1;
  iff::SeekTable<States> seek_table_{0};
};

}  // namespace decoders
