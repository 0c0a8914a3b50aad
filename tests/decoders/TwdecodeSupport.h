// Helpers shared by the decoder tests: decoding through the twdecode tool and
// through a module in this process, making sound files with real tools, and the
// checks every PCM-style format must pass.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decoders/TrackInfo.h"

namespace twtest {

struct ToolOutput {
  int exit_code = -1;
  std::string samples;  // standard output
  std::string fields;   // standard error
};

// Runs twdecode on path (extra: more arguments, e.g. "--seek 1.5") with home as
// its user data folder (empty: a new empty folder, so no settings file applies).
ToolOutput Twdecode(const std::string& path, const std::string& extra = "",
                    const std::string& home = "");
// Standard output of a shell command; fails the test when it exits non-zero.
std::string Output(const std::string& command);
// Runs a command that makes a file; fails the test when it does not succeed.
void Make(const std::string& command);

// twdecode's output equals sox's undithered reduction to 16 bits
// (`sox -D FILE -b 16 -t s16 -L -`), and is not empty.
void ExpectDecodesLikeSoxReduced(const std::string& path);

// Identification as the registry does it, restricted to one module: the probe's
// verdict, with *track filled on acceptance.
bool Probe(const decoders::DecoderClass& module, const std::string& path,
           decoders::TrackInfo* track);
// Opens the track, seeks, decodes 0.1 s blocks of at most 8192 frames to the end
// and returns the samples interleaved little-endian, as twdecode writes them.
// Returns false (and nothing) when open fails.
bool DecodeAll(decoders::TrackInfo& track, double seek_seconds, std::string* samples);

// Seeking to each time and decoding equals the straight decode from the frame
// trunc(time × frequency), clamped to the track, with and without load-in-RAM.
void ExpectSeeksMatchStraightDecode(const decoders::DecoderClass& module, const std::string& path);

// The file is refused, or played to its end without a crash, a hang or a read
// past the file; a seekable track delivers no more than its length.
void ExpectRefusedOrPlayed(const decoders::DecoderClass& module, const std::string& path);

// Every truncation of file within its first span bytes and every 32-bit field
// of that span set to hostile values is refused or played to its end without a
// crash, a hang or a read past the file (run under the sanitizer build).
void ExpectHostileVariantsSafe(const decoders::DecoderClass& module,
                               const std::vector<uint8_t>& file, size_t span);

}  // namespace twtest
