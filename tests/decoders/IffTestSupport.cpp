#include "decoders/IffTestSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "decoders/PcmCodec.h"
#include "decoders/TW_File.h"
#include "decoders/TwdecodeSupport.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

namespace ifftest {

using decoders::TrackInfo;

void PutBig16(Bytes* out, uint32_t value) {
  out->push_back(uint8_t(value >> 8));
  out->push_back(uint8_t(value));
}

void PutBig32(Bytes* out, uint32_t value) {
  PutBig16(out, value >> 16);
  PutBig16(out, value & 0xFFFF);
}

void PutText(Bytes* out, const std::string& text) {
  out->insert(out->end(), text.begin(), text.end());
}

Bytes Chunk(const std::string& id, const Bytes& contents) {
  Bytes out;
  PutText(&out, id);
  PutBig32(&out, uint32_t(contents.size()));
  out.insert(out.end(), contents.begin(), contents.end());
  if (contents.size() % 2) out.push_back(0);
  return out;
}

Bytes Form(const std::string& type, const std::vector<Bytes>& chunks) {
  Bytes body;
  PutText(&body, type);
  for (const Bytes& chunk : chunks) body.insert(body.end(), chunk.begin(), chunk.end());
  return Chunk("FORM", body);
}

std::vector<Bytes> SplitChunks(const Bytes& form) {
  std::vector<Bytes> chunks;
  size_t at = 12;
  while (at + 8 <= form.size()) {
    const uint32_t size = uint32_t(form[at + 4]) << 24 | uint32_t(form[at + 5]) << 16 |
                          uint32_t(form[at + 6]) << 8 | form[at + 7];
    const size_t end = std::min(form.size(), at + 8 + size + (size & 1));
    chunks.emplace_back(form.begin() + long(at), form.begin() + long(end));
    at = end;
  }
  return chunks;
}

Bytes Extended(uint32_t rate) {
  const int top = std::bit_width(rate) - 1;
  Bytes out;
  PutBig16(&out, uint32_t(16383 + top));
  const uint64_t mantissa = uint64_t(rate) << (63 - top);
  PutBig32(&out, uint32_t(mantissa >> 32));
  PutBig32(&out, uint32_t(mantissa));
  return out;
}

std::string WriteFile(const std::string& folder, const std::string& name, const Bytes& bytes) {
  const std::string path = folder + "/" + name;
  testsupport::WriteBinaryFile(path, bytes);
  return path;
}

size_t FrameBytes(const TrackInfo& track) {
  return (track.stereo ? 2u : 1u) * (track.bits == 16 ? 2u : 1u);
}

std::string DecodeSome(const TrackInfo& track, int64_t max_frames) {
  std::string out;
  std::vector<uint8_t> left(8192 * 2), right(8192 * 2), block(8192 * 4);
  while (max_frames > 0) {
    const int32_t frames = track.decode(left.data(), right.data(), 8192, 0.1);
    if (frames <= 0) break;
    EXPECT_LE(frames, 8192);
    const auto keep = size_t(std::min<int64_t>(frames, max_frames));
    decoders::InterleaveLittleEndian(left.data(), right.data(), keep, track.stereo ? 2 : 1,
                                     track.bits, block.data());
    out.append(block.begin(), block.begin() + long(keep * FrameBytes(track)));
    max_frames -= frames;
  }
  return out;
}

std::string DecodeAll(TrackInfo* track) {
  std::string out;
  EXPECT_TRUE(twtest::DecodeAll(*track, 0.0, &out));
  return out;
}

std::string SoxDecode(const std::string& path, int bits) {
  return twtest::Output("sox " + testsupport::ShellQuote(path) +
                        (bits == 8 ? " -t s8" : " -t s16 -L") + " - 2>/dev/null");
}

std::string FfmpegDecode(const std::string& path, int bits) {
  return twtest::Output("ffmpeg -nostdin -loglevel error -i " + testsupport::ShellQuote(path) +
                        (bits == 8 ? " -f s8 -c:a pcm_s8" : " -f s16le -c:a pcm_s16le") + " -");
}

namespace {

// Seeks to the frame and compares what follows with the straight decode.
void ExpectSeekMatches(const TrackInfo& track, const std::string& straight, int64_t frame) {
  const double reached = track.seek(double(frame) / track.frequency);
  const auto at = int64_t(std::llround(reached * track.frequency));
  ASSERT_GE(at, 0);
  ASSERT_LE(at, frame) << "seek past its target";
  EXPECT_GE(at, frame - 1) << "seek fell short of " << frame;
  EXPECT_DOUBLE_EQ(track.position(), reached);
  const size_t from = size_t(at) * FrameBytes(track);
  const std::string got = DecodeSome(track, 3000);
  EXPECT_TRUE(got == straight.substr(from, got.size())) << "after a seek to frame " << frame;
  EXPECT_TRUE(got.size() == std::min<size_t>(3000 * FrameBytes(track), straight.size() - from));
}

void SetLoadInRam(bool on) {
  settings::FileSettings block = decoders::TW_File_GetSettings();
  block.load_in_ram = on;
  decoders::TW_File_SetSettings(block);
}

void ExpectSeeksMatchOnce(TrackInfo* track, const std::string& straight) {
  const int64_t length = track->length;
  ASSERT_EQ(straight.size(), size_t(length) * FrameBytes(*track));
  // Out of order, across block boundaries, odd frames, the start and the end.
  const int64_t offsets[10] = {length / 2 + 1, 1023, 1024,       length - 1, 0,
                               length / 3 + 7, 3071, length / 5, 2049,       length};
  ASSERT_TRUE(track->open(track));
  for (int64_t frame : offsets)
    ExpectSeekMatches(*track, straight, std::clamp<int64_t>(frame, 0, length));
  track->seek(0.0);
  DecodeSome(*track, INT64_MAX);
  for (int64_t frame : offsets)
    ExpectSeekMatches(*track, straight, std::clamp<int64_t>(frame, 0, length));
  // Times outside the track stay inside it.
  const double inf = std::numeric_limits<double>::infinity();
  for (double wild : {-5.0, 1e300, -1e300, inf, -inf, std::nan("")}) {
    const double reached = track->seek(wild);
    EXPECT_GE(reached, 0.0);
    EXPECT_LE(reached, double(length) / track->frequency + 1e-9);
  }
  track->close();
}

}  // namespace

void ExpectSeeksMatch(TrackInfo* track, const std::string& straight) {
  for (const bool ram : {false, true}) {
    SCOPED_TRACE(ram ? "load in RAM" : "streamed");
    SetLoadInRam(ram);
    ExpectSeeksMatchOnce(track, straight);
  }
  SetLoadInRam(false);
  decoders::TW_File_FreeCache();
}

}  // namespace ifftest
