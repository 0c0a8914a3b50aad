// One MPEG audio stream decoded by libmpg123, read through the file layer.
// Output is always signed 16-bit in native order, interleaved.
#pragma once

#include <mpg123.h>

#include <cstdint>
#include <memory>
#include <string>

#include "decoders/StreamSource.h"
#include "settings/SettingsRecords.h"

namespace decoders {

// What the library reports of the stream, after the settings were applied.
struct MpegDescription {
  int version = 0;  // 0 MPEG 1, 1 MPEG 2, 2 MPEG 2.5
  int layer = 0;    // 1..3
  int mode = 0;     // 0 Stereo, 1 J-Stereo, 2 Dual, 3 Mono
  int bitrate = 0;  // kbit/s of the first frame
  bool copyright = false;
  int channels = 0;     // delivered
  long rate = 0;        // Hz delivered
  int64_t frames = -1;  // length in delivered frames; -1 unknown
};

class MpegStream {
 public:
  // Opens path (mode and buffer size go to the file layer) and applies the
  // settings half of the stream's layer: forced mono and down-sampling to the
  // frequency limit. Null when the library does not take the file.
  static std::unique_ptr<MpegStream> Open(const std::string& path, uint32_t mode,
                                          int32_t buffer_size,
                                          const settings::MpegSettings& settings);
  // Takes ownership of both; use Open.
  MpegStream(std::unique_ptr<StreamSource> source, mpg123_handle* handle);
  ~MpegStream();
  MpegStream(const MpegStream&) = delete;
  MpegStream& operator=(const MpegStream&) = delete;

  const MpegDescription& description() const { return description_; }
  // Reads up to max_frames interleaved frames into dest; returns the frames read.
  // Undecodable frames are skipped (within a bound); fewer frames than asked means
  // the stream ended, failed or changed its output format.
  size_t ReadFrames(int16_t* dest, size_t max_frames);
  // Moves to a frame; returns false when the library refused.
  bool SeekFrame(int64_t frame);
  // The current frame; -1 when unknown.
  int64_t TellFrame() const;

 private:
  bool Start();
  bool Describe();
  bool ApplySettings(const settings::MpegSettings& settings);

  std::unique_ptr<StreamSource> source_;
  mpg123_handle* handle_;
  MpegDescription description_;
  bool format_changed_ = false;  // the stream ends where its output format changed
};

}  // namespace decoders
