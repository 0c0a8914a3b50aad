// Disc images made at test time: sox-made tracks joined into a BIN with a CUE sheet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace cdtest {

struct TrackSpec {
  bool audio = true;
  double seconds = 1.0;  // audio: length made by sox (padded to whole sectors)
  uint32_t sectors = 0;  // data: MODE1/2352 sectors of noise
};

struct DiscImage {
  std::string cue;
  std::string bin;
  std::vector<uint32_t> starts;  // LBA of each track, computed here
  std::vector<bool> audio;
  uint32_t leadout = 0;
  std::vector<std::vector<uint8_t>> track_bytes;  // each track's bytes in the BIN
};

// Writes name.bin and name.cue in dir. motorola stores audio big-endian.
DiscImage MakeDisc(const testsupport::TempDir& dir, const std::string& name,
                   const std::vector<TrackSpec>& tracks, bool motorola = false);

// n audio tracks of slightly different lengths and tones.
std::vector<TrackSpec> AudioTracks(int n, double seconds = 0.5);

// The disc key computed from the image's own layout.
std::string ExpectedKey(const DiscImage& disc);

// Points the CDDA settings at device with titles kept in titles_folder.
void UseDrive(const std::string& device, const std::string& titles_folder, bool notify = false);

// Plays a track through its module: open, seek(0), decode 0.1 s blocks to the
// end; returns interleaved little-endian 16-bit stereo bytes.
std::vector<uint8_t> DecodeWhole(const std::string& path);

// The sample bytes of a WAVE file's data chunk.
std::vector<uint8_t> WaveData(const std::string& path);

}  // namespace cdtest
