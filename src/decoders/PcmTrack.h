// Playback of uncompressed interleaved sample data that lies in one block of a
// file (WAVE, AU, AIFF SSND): reading whole frames, conversion, seeking, and the
// five playback operations of a module that plays one such track at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decoders/ChannelMixdown.h"
#include "decoders/PcmCodec.h"
#include "decoders/TW_File.h"
#include "decoders/TrackInfo.h"

namespace decoders {

// Where the samples are and how they are stored; probes fill it with sizes already
// checked against the file (length never reaches past the file's end).
struct PcmLayout {
  int64_t data_start = 0;  // file offset of the first sample byte
  int64_t length = 0;      // frames
  int32_t frequency = 0;   // Hz, 1..768000
  int channels = 1;        // 1..8 stored; more than two are mixed down to stereo
  ChannelOrder order;      // speakers of the channels when there are more than two
  PcmCoding coding = PcmCoding::kSigned16Le;

  size_t FrameBytes() const { return StoredBytes(coding) * static_cast<size_t>(channels); }
  // 8 or 16; a mixdown always delivers 16.
  int Bits() const { return channels > 2 ? 16 : DeliveredBits(coding); }
};

// The channels one stored frame may hold.
constexpr int kMaxPcmChannels = kMaxMixChannels;
constexpr bool PlayableChannels(int64_t channels) {
  return channels >= 1 && channels <= kMaxPcmChannels;
}

// Sample rates the engine can play.
constexpr int64_t kMinFrequency = 1;
constexpr int64_t kMaxFrequency = 768000;
constexpr bool PlayableFrequency(int64_t hz) { return hz >= kMinFrequency && hz <= kMaxFrequency; }

// Frames of frame_bytes each in data_bytes, cut to what TrackInfo::length holds.
int32_t FrameCount(int64_t data_bytes, size_t frame_bytes);

// Reads exactly count bytes at offset; false on a short read or a failed seek.
bool ReadAt(TW_File* file, int64_t offset, void* dest, size_t count);

// trunc(seconds × frequency), with seconds clamped in floating point so that the
// result lies in 0..limit whatever the input (negative, huge, NaN, infinite).
int64_t FramesIn(double seconds, int32_t frequency, int64_t limit);

// One open track. Not locked: used by the player task only.
class PcmTrack {
 public:
  // Opens path through the file layer (read mode, default buffer) at frame 0.
  bool Open(const std::string& path, const PcmLayout& layout);
  // Delivers at most min(max_frames, seconds of frames, frames left) frames;
  // 0 at the end, -1 on a read error.
  int32_t Decode(void* left, void* right, int32_t max_frames, double seconds);
  // Moves to the frame of the clamped time; returns the position reached in seconds.
  double Seek(double seconds);
  double Position() const;

 private:
  // Reads up to count bytes, retrying short reads; the count read, -1 on an error.
  int64_t ReadFully(uint8_t* dest, size_t count);
  // Converts whole frames read into the caller's blocks, mixing down past two channels.
  void Deliver(const uint8_t* raw, size_t frames, void* left, void* right);

  FileHandle file_;
  PcmLayout layout_;
  int64_t position_ = 0;  // frames
  std::vector<uint8_t> conversion_;
  std::vector<int16_t> widened_;  // interleaved 16-bit frames before a mixdown
  StereoMixdown mixdown_{ChannelOrder{}};
};

// The layout an accepted record describes: samples from data_start[0], length
// frames of frequency Hz; channels and channel_mask as the record holds them
// (channels 0: one or two, after `stereo`; a zero mask: the WAVE order).
// False for a frequency or channel count out of range.
bool LayoutOf(const TrackInfo& track, PcmCoding coding, PcmLayout* layout);

// The five playback operations for a module whose tracks are PcmTracks (or
// another Track with the same Open/Decode/Seek/Position). Module supplies
// `static bool Layout(const TrackInfo&, PcmLayout*)`, false for a record the
// module did not accept (wrong format_tag) or cannot play; LayoutOf above does
// the common part.
template <typename Module, typename Track = PcmTrack>
struct PcmOperations {
  static int Open(TrackInfo* track) {
    Close();
    PcmLayout layout;
    if (!track || !Module::Layout(*track, &layout)) return 0;
    auto opened = std::make_unique<Track>();
    if (!opened->Open(track->path, layout)) return 0;
    Slot() = std::move(opened);
    return 1;
  }
  static void Close() { Slot().reset(); }
  static double Seek(double seconds) { return Slot() ? Slot()->Seek(seconds) : 0.0; }
  static int32_t Decode(void* left, void* right, int32_t max_frames, double seconds) {
    return Slot() ? Slot()->Decode(left, right, max_frames, seconds) : 0;
  }
  static double Position() { return Slot() ? Slot()->Position() : 0.0; }
  static bool IsOpen() { return Slot() != nullptr; }
  // Stores the five operations in an accepted record.
  static void Install(TrackInfo* track) {
    InstallPlayback({Open, Close, Seek, Decode, Position}, track);
  }

 private:
  static std::unique_ptr<Track>& Slot() {
    static std::unique_ptr<Track> slot;  // the module's one open track
    return slot;
  }
};

}  // namespace decoders
