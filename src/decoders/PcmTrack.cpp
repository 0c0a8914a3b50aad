#include "decoders/PcmTrack.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace decoders {

int64_t FramesIn(double seconds, int32_t frequency, int64_t limit) {
  if (frequency <= 0 || limit <= 0 || !(seconds > 0.0)) return 0;
  const double frames = std::floor(seconds * frequency);
  if (!(frames < static_cast<double>(limit))) return limit;
  return static_cast<int64_t>(frames);
}

int32_t FrameCount(int64_t data_bytes, size_t frame_bytes) {
  if (data_bytes <= 0 || frame_bytes == 0) return 0;
  return static_cast<int32_t>(std::min<int64_t>(data_bytes / static_cast<int64_t>(frame_bytes),
                                                std::numeric_limits<int32_t>::max()));
}

bool ReadAt(TW_File* file, int64_t offset, void* dest, size_t count) {
  if (count > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
  if (TW_File_Seek(file, offset, kSeekStart) < 0) return false;
  return TW_File_Read(file, dest, static_cast<int32_t>(count)) == static_cast<int32_t>(count);
}

bool LayoutOf(const TrackInfo& track, PcmCoding coding, PcmLayout* layout) {
  if (!PlayableFrequency(track.frequency)) return false;
  layout->data_start = track.data_start[0];
  layout->length = std::max(track.length, 0);
  layout->frequency = track.frequency;
  layout->channels = track.stored_channels > 2 ? track.stored_channels : track.stereo ? 2 : 1;
  if (!PlayableChannels(layout->channels)) return false;
  layout->order = MaskOrder(track.channel_mask, layout->channels);
  layout->coding = coding;
  return true;
}

bool PcmTrack::Open(const std::string& path, const PcmLayout& layout) {
  file_.reset(TW_File_Open(path, kFileRead, 0));
  if (!file_) return false;
  layout_ = layout;
  mixdown_ = StereoMixdown(layout.order);
  Seek(0.0);
  return true;
}

int64_t PcmTrack::ReadFully(uint8_t* dest, size_t count) {
  size_t done = 0;
  while (done < count) {
    const auto want =
        static_cast<int32_t>(std::min<size_t>(count - done, std::numeric_limits<int32_t>::max()));
    const int32_t got = TW_File_Read(file_.get(), dest + done, want);
    if (got < 0 && done == 0) return -1;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(done);
}

int32_t PcmTrack::Decode(void* left, void* right, int32_t max_frames, double seconds) {
  const int64_t left_in_track = layout_.length - position_;
  const int64_t limit = std::min<int64_t>(max_frames, left_in_track);
  const int64_t frames = FramesIn(seconds, layout_.frequency, limit);
  if (frames <= 0 || !left) return 0;
  const size_t frame_bytes = layout_.FrameBytes();
  const size_t bytes = static_cast<size_t>(frames) * frame_bytes;
  // One channel stored as wide as delivered converts in place in the caller's buffer.
  const bool in_place = layout_.channels == 1 &&
                        StoredBytes(layout_.coding) * 8 == size_t(DeliveredBits(layout_.coding));
  if (!in_place && conversion_.size() < bytes) conversion_.resize(bytes);
  uint8_t* raw = in_place ? static_cast<uint8_t*>(left) : conversion_.data();
  const int64_t got = ReadFully(raw, bytes);
  if (got < 0) return -1;
  const size_t whole = static_cast<size_t>(got) / frame_bytes;
  if (whole == 0) return 0;
  Deliver(raw, whole, left, right);
  position_ += static_cast<int64_t>(whole);
  return static_cast<int32_t>(whole);
}

void PcmTrack::Deliver(const uint8_t* raw, size_t frames, void* left, void* right) {
  if (layout_.channels <= 2) {
    DecodePcm(layout_.coding, raw, frames, layout_.channels, left, right);
    return;
  }
  const size_t samples = frames * static_cast<size_t>(layout_.channels);
  if (widened_.size() < samples) widened_.resize(samples);
  WidenToInt16(layout_.coding, raw, samples, widened_.data());
  mixdown_.MixInterleaved(widened_.data(), frames, left, right);
}

double PcmTrack::Seek(double seconds) {
  const double end = static_cast<double>(layout_.length) / layout_.frequency;
  const int64_t target = FramesIn(std::min(seconds, end), layout_.frequency, layout_.length);
  const int64_t offset = layout_.data_start + target * static_cast<int64_t>(layout_.FrameBytes());
  // A RAM copy refuses a seek to its very end; the track is then over all the same.
  position_ = TW_File_Seek(file_.get(), offset, kSeekStart) >= 0 ? target : layout_.length;
  return Position();
}

double PcmTrack::Position() const {
  return layout_.frequency > 0 ? static_cast<double>(position_) / layout_.frequency : 0.0;
}

}  // namespace decoders
