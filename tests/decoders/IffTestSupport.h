// Helpers for the IFF (8SVX, AIFF) decoder tests: building chunked files by hand,
// identifying through one module's probe, and playing tracks as the player task
// does (open, seek 0, blocks of 0.1 s and at most 8192 frames).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decoders/TrackInfo.h"

namespace ifftest {

using Bytes = std::vector<uint8_t>;

void PutBig16(Bytes* out, uint32_t value);
void PutBig32(Bytes* out, uint32_t value);
void PutText(Bytes* out, const std::string& text);
// One chunk: ID, big-endian size, contents and the pad byte of an odd size.
Bytes Chunk(const std::string& id, const Bytes& contents);
// FORM of the given type around the chunks, in order.
Bytes Form(const std::string& type, const std::vector<Bytes>& chunks);
// The chunks of a FORM file, each whole (header, contents, pad).
std::vector<Bytes> SplitChunks(const Bytes& form);
// The 80-bit extended encoding of a positive integer rate.
Bytes Extended(uint32_t rate);

// Writes bytes to a new file in the folder; its path.
std::string WriteFile(const std::string& folder, const std::string& name, const Bytes& bytes);
// Plays the whole track from its start; interleaved little-endian samples.
std::string DecodeAll(decoders::TrackInfo* track);
// Decodes at most max_frames from the open track's current position.
std::string DecodeSome(const decoders::TrackInfo& track, int64_t max_frames);
// Bytes per interleaved frame of the track's output.
size_t FrameBytes(const decoders::TrackInfo& track);

// "sox"/"ffmpeg" decodes of a file to raw signed samples (8 or 16-bit little-endian).
std::string SoxDecode(const std::string& path, int bits);
std::string FfmpegDecode(const std::string& path, int bits);

// Checks that seeking then decoding equals decoding straight through at ten
// offsets, on a freshly opened track and again after it was played to the end
// (seek tables empty, then full), with and without load-in-RAM.
void ExpectSeeksMatch(decoders::TrackInfo* track, const std::string& straight);

}  // namespace ifftest
