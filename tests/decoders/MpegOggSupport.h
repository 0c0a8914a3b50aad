// Helpers for the MPEG, Ogg and ID3 tests: making sound files with the real
// encoders, probing one module directly and playing a track as the player does.
#pragma once

#include <string>

#include "decoders/Decoders.h"
#include "support/TestSupport.h"

namespace mpegogg {

// A 16-bit WAVE file of a sweep and a tone (different on each channel).
std::string MakeSource(const testsupport::TempDir& dir, const std::string& name, int rate,
                       int channels, double seconds);

// Runs command (through the shell) and fails the test when it does not exit 0.
std::string RunOk(const std::string& command);

// Offers path to one module's probe exactly as identification does; null when
// the module refuses it.
decoders::TrackPtr ProbeWith(const decoders::DecoderClass& module, const std::string& path);

// Plays a track as the player task does (open, seek 0, blocks of 0.1 s of at most
// 8192 frames) and returns the samples interleaved, little-endian 16-bit. The
// block count is bounded so a stream that never ends fails instead of hanging.
// *opened tells whether open succeeded.
std::string PlayAll(decoders::TrackInfo* track, bool* opened = nullptr);

}  // namespace mpegogg
