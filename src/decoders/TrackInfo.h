// TrackInfo and DecoderClass: the record of one playable track and the table of
// one format module.
//
// Who fills what: identification fills path, file_comment and file_size; the
// accepting module's probe fills the format fields, the descriptive fields it can
// read and the operations. A module's open() keeps its own private copy, so the
// caller's record may be freed while the track plays (the MPEG module writes the
// real output frequency back into the caller's record, so read frequency, stereo
// and bits after open()).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "decoders/ReplayGain.h"

namespace decoders {

struct TrackInfo;

// Playback operations; every pointer may be null and is tested before a call.
using OpenFn = int (*)(TrackInfo* track);  // 1 opened at the start, 0 failed
using CloseFn = void (*)();
using SeekFn = double (*)(double seconds);  // returns the position reached
// Delivers de-interleaved frames: channel 0 into left, channel 1 into right
// (8-bit: signed bytes; 16-bit: native int16). Returns frames; <= 0 ends the stream.
using DecodeFn = int32_t (*)(void* left, void* right, int32_t max_frames, double seconds);
using PositionFn = double (*)();
// Where a stream changes format (a chained Ogg link of another rate or channel
// count), decode() first delivers the frames before the change, then returns
// kDecodeFormatChanged until the caller takes the new format with format(track),
// which updates track's frequency, stereo, bits and length; decode() then goes on
// with the frames after the change. A caller without format() ends the song there.
constexpr int32_t kDecodeFormatChanged = -2;
using FormatFn = void (*)(TrackInfo* track);
// Opens the editor of the track's descriptive data; on_changed runs after a change.
using EditTagsFn = void (*)(const std::string& path, void (*on_changed)(void* user), void* user);

// Format tags: four characters read as a big-endian number.
constexpr uint32_t FourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
         (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}
constexpr uint32_t kTagMpeg = 0x0000FFF0;
constexpr uint32_t kTagCdTrack = 0x00001234;

struct TrackInfo {
  // Filled by identification. Paths are kept whole.
  std::string path;
  char file_comment[80] = {};
  uint32_t file_size = 0;

  // Descriptive fields (UTF-8, cut at a character boundary to the width minus one).
  char title[40] = {};
  char artist[40] = {};
  char comment[40] = {};
  char genre[40] = {};
  char album[40] = {};
  int32_t year = 0;  // <= 0 unknown
  ReplayGainTags replay_gain;

  // Format fields, filled by the accepting probe.
  int32_t frequency = 0;    // Hz of the samples decode() delivers
  int16_t stereo = 0;       // 0 one channel, otherwise two
  char mode_text[42] = {};  // shown instead of mono/stereo when not empty
  int32_t length = 0;       // frames
  uint32_t data_start[2] = {0, 0};
  uint8_t encoding = 0;     // module-private coding
  // Module-private: the channels a file stores when there are more than two (decode
  // mixes them down to stereo; 0 otherwise), and their WAVE speaker mask (0: the
  // format's default order).
  uint8_t stored_channels = 0;
  uint32_t channel_mask = 0;
  int16_t bits = 0;         // 8 or 16
  uint32_t format_tag = 0;
  uint16_t seekable = 0;
  char type_text[42] = {};

  OpenFn open = nullptr;
  CloseFn close = nullptr;
  SeekFn seek = nullptr;
  DecodeFn decode = nullptr;
  PositionFn position = nullptr;
  FormatFn format = nullptr;  // null: the format never changes while playing
  EditTagsFn edit_tags = nullptr;
};

using TrackPtr = std::unique_ptr<TrackInfo>;

// The five playback operations every module has.
struct PlaybackOperations {
  OpenFn open;
  CloseFn close;
  SeekFn seek;
  DecodeFn decode;
  PositionFn position;
};

// Stores a module's operations in an accepted record, with no format change and
// no tag editor; a module that has either sets it afterwards.
inline void InstallPlayback(const PlaybackOperations& operations, TrackInfo* track) {
  track->open = operations.open;
  track->close = operations.close;
  track->seek = operations.seek;
  track->decode = operations.decode;
  track->position = operations.position;
  track->format = nullptr;
  track->edit_tags = nullptr;
}

struct TW_File;

// One format module: a constant table of operations.
struct DecoderClass {
  const char* name;  // short name for diagnostics ("WAVE")
  // Prepares the module and returns its one-line description; null fails start-up.
  const char* (*init)();
  // Closes the module's open track and releases its resources.
  void (*exit)();
  // Accepts (nonzero, record filled) or rejects (0, no side effects). file may be
  // null (the name could not be opened); header holds the first bytes of the file,
  // zeroed beyond header_size.
  int (*probe)(TW_File* file, const uint8_t* header, size_t header_size, TrackInfo* track);
};

// A probe that recognises its format in a file it cannot play names what it found
// ("A-law AU") before it rejects, so the user learns why the file is refused. The
// first note of an identification counts; notes are kept per thread.
void Probe_NoteUnsupported(std::string what);
// The note of the identification under way, emptied.
std::string Probe_TakeUnsupported();

}  // namespace decoders
