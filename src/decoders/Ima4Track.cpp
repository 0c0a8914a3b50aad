#include "decoders/Ima4Track.h"

#include <algorithm>

namespace decoders {
namespace {

constexpr int64_t kPacketsPerBlock = iff::kSeekBlock / kIma4PacketFrames;

}  // namespace

bool Ima4Track::Open(const std::string& path, const PcmLayout& layout) {
  if (!PlayableChannels(layout.channels)) return false;
  file_.reset(TW_File_Open(path, kFileRead, 0));
  if (!file_) return false;
  layout_ = layout;
  mixdown_ = StereoMixdown(layout.order);
  raw_.resize(Ima4FrameBytes(layout.channels));
  decoded_.resize(static_cast<size_t>(kIma4PacketFrames * layout.channels));
  seek_table_ = iff::SeekTable<States>(layout.length);
  Seek(0.0);
  return true;
}

void Ima4Track::Rewind(int64_t packet) {
  const int64_t block = std::min(packet / kPacketsPerBlock, seek_table_.highest());
  const bool recorded = seek_table_.Has(block);
  packet_ = recorded ? block * kPacketsPerBlock : 0;
  states_ = recorded ? seek_table_.At(block) : States{};
  decoded_packet_ = -1;
}

bool Ima4Track::DecodePacket() {
  if (packet_ % kPacketsPerBlock == 0) seek_table_.Record(packet_ / kPacketsPerBlock, states_);
  const int64_t offset = layout_.data_start + packet_ * int64_t(raw_.size());
  if (!ReadAt(file_.get(), offset, raw_.data(), raw_.size())) return false;
  const auto channels = static_cast<size_t>(layout_.channels);
  for (size_t c = 0; c < channels; ++c)
    DecodeIma4Packet(raw_.data() + c * kIma4PacketBytes, &states_[c], decoded_.data() + c,
                     channels);
  decoded_packet_ = packet_++;
  return true;
}

int32_t Ima4Track::Decode(void* left, void* right, int32_t max_frames, double seconds) {
  const int64_t limit = std::min<int64_t>(max_frames, layout_.length - position_);
  const int64_t frames = FramesIn(seconds, layout_.frequency, limit);
  if (frames <= 0 || !left) return 0;
  const auto channels = static_cast<size_t>(layout_.channels);
  int64_t done = 0;
  while (done < frames) {
    const int64_t packet = position_ / kIma4PacketFrames;
    if (decoded_packet_ != packet && !DecodePacket()) break;
    const int64_t within = position_ % kIma4PacketFrames;
    const int64_t take = std::min(frames - done, kIma4PacketFrames - within);
    const int16_t* src = decoded_.data() + within * int64_t(channels);
    auto* l = static_cast<uint8_t*>(left) + 2 * done;
    auto* r = right ? static_cast<uint8_t*>(right) + 2 * done : nullptr;
    if (channels <= 2)
      DecodePcm(kNativeSigned16, reinterpret_cast<const uint8_t*>(src), size_t(take),
                layout_.channels, l, r);
    else
      mixdown_.MixInterleaved(src, size_t(take), l, r);
    done += take;
    position_ += take;
  }
  return static_cast<int32_t>(done);
}

double Ima4Track::Seek(double seconds) {
  const double end = static_cast<double>(layout_.length) / layout_.frequency;
  const int64_t target = FramesIn(std::min(seconds, end), layout_.frequency, layout_.length);
  const int64_t packet = target / kIma4PacketFrames;
  if (decoded_packet_ >= 0 && packet == decoded_packet_) {
    position_ = target;
    return Position();
  }
  // Decoding goes on forward from where it stands unless the target lies behind.
  if (packet < packet_ || packet_ == 0) Rewind(packet);
  while (packet_ < packet && DecodePacket()) {
  }
  position_ = packet_ == packet ? target : packet_ * kIma4PacketFrames;
  decoded_packet_ = -1;
  return Position();
}

double Ima4Track::Position() const {
  return layout_.frequency > 0 ? static_cast<double>(position_) / layout_.frequency : 0.0;
}

}  // namespace decoders
