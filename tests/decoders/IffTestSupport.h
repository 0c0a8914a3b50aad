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

// Runs the module's probe on a file as identification does; false when refused.
bool Identify(const decoders::DecoderClass& module, const std::string& path,
              decoders::TrackInfo* track);
// Plays the whole track from its start; interleaved little-endian samples.
Bytes DecodeAll(decoders::TrackInfo* track);
// Decodes at most max_frames from the open track's current position.
Bytes DecodeSome(const decoders::TrackInfo& track, int64_t max_frames);
// Bytes per interleaved frame of the track's output.
size_t FrameBytes(const decoders::TrackInfo& track);

// Standard output of a shell command that must succeed.
Bytes ToolOutput(const std::string& command);
// "sox"/"ffmpeg" decodes of a file to raw signed samples (8 or 16-bit little-endian).
Bytes SoxDecode(const std::string& path, int bits);
Bytes FfmpegDecode(const std::string& path, int bits);

// Checks that seeking then decoding equals decoding straight through at ten
// offsets, on a freshly opened track and again after it was played to the end.
void ExpectSeeksMatch(decoders::TrackInfo* track, const Bytes& straight);

}  // namespace ifftest
