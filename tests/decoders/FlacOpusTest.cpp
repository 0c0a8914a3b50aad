// The FLAC and Opus modules against the reference decoders (flac, sox -D,
// opusdec): identical samples to the very end, comments, seeking, and which
// module identification hands each Ogg and FLAC file to.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "decoders/Decoders.h"
#include "decoders/EmbeddedLyrics.h"
#include "decoders/TwdecodeSupport.h"
#include "support/TestSupport.h"

namespace {

using decoders::ReadEmbeddedLyrics;
using testsupport::ShellQuote;
using testsupport::TempDir;
using twtest::Make;
using twtest::Output;
using Bytes = std::vector<uint8_t>;

// A tone different on each channel (a sweep and 660 Hz), sox-made.
std::string Source(const TempDir& dir, const std::string& name, int rate, int channels, int bits,
                   double seconds, const std::string& signal = "sine 200-4000 sine 660 vol 0.8") {
  const std::string path = dir.File(name);
  // -D: no dither, so every run encodes the same samples (a seek test's
  // convergence depends on them).
  Make("sox -D -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b " +
       std::to_string(bits) + " " + ShellQuote(path) + " synth " + std::to_string(seconds) + " " +
       signal);
  return path;
}

std::string FieldOf(const twtest::ToolOutput& out, const std::string& name) {
  const size_t at = out.fields.find(name + ": ");
  if (at == std::string::npos) return "?";
  const size_t start = at + name.size() + 2;
  return out.fields.substr(start, out.fields.find('\n', start) - start);
}

struct Case {
  const char* name;
  const char* make;  // $in is the source, $out the file made
  const char* reference;
  const char* type_text;
};

TEST(FlacOpusTwdecode, FlacOfEveryToolPlaysLikeFlacAndSoxToTheLastSample) {
  TW_REQUIRE_TOOLS("flac", "ffmpeg", "sox");
  TempDir dir;
  const std::string flac16 = "flac -d -c -s --force-raw-format --endian=little --sign=signed";
  const std::string sox16 = "sox -D $out -b 16 -t s16 -L -";
  // $in is 16-bit, $in24 24-bit.
  const Case cases[] = {
      {"s16.flac", "flac -s --no-padding -o $out $in", nullptr, "FLAC 16bit"},
      {"s16.oga", "flac -s --ogg -o $out $in", nullptr, "OGG-FLAC 16bit"},
      {"m16.flac", "sox $in -c 1 $out", nullptr, "FLAC 16bit"},
      {"ff.flac", "ffmpeg -v error -i $in -c:a flac $out", nullptr, "FLAC 16bit"},
      {"s24.flac", "sox $in24 $out", "sox", "FLAC 24bit"},
      // sox reads no Ogg FLAC: it reduces what flac decodes.
      {"s24.oga", "flac -s --ogg -o $out $in24",
       "flac -d -c -s $out | sox -D -t wav - -b 16 -t s16 -L -", "OGG-FLAC 24bit"},
      {"ff24.flac", "ffmpeg -v error -i $in24 -c:a flac -sample_fmt s32 $out", "sox", "FLAC 24bit"},
      {"s8.flac", "sox $in -b 8 $out", "sox", "FLAC 8bit"},
  };
  const std::string in = Source(dir, "in.wav", 44100, 2, 16, 2.21);
  const std::string in24 = Source(dir, "in24.wav", 44100, 2, 24, 2.21);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = dir.File(c.name);
    Make("in=" + ShellQuote(in) + " in24=" + ShellQuote(in24) + " out=" + ShellQuote(out) + "; " +
         c.make);
    const twtest::ToolOutput ours = twtest::Twdecode(out);
    ASSERT_EQ(ours.exit_code, 0) << ours.fields;
    const std::string reference = !c.reference                        ? flac16 + " $out"
                                  : c.reference == std::string("sox") ? sox16
                                                                      : c.reference;
    const std::string theirs = Output("out=" + ShellQuote(out) + "; " + reference);
    EXPECT_GT(theirs.size(), 44100u * 2);
    EXPECT_TRUE(ours.samples == theirs)
        << ours.samples.size() << " bytes against " << theirs.size();
    EXPECT_EQ(FieldOf(ours, "type"), c.type_text);
    EXPECT_EQ(FieldOf(ours, "frequency"), "44100");
    const size_t frame_bytes = 2 * std::stoul(FieldOf(ours, "channels"));
    EXPECT_EQ(std::stoul(FieldOf(ours, "length")) * frame_bytes, theirs.size());
  }
  // Full scale at 24 bits rounds past 16 bits: clipped, not wrapped.
  const std::string square =
      Source(dir, "square.flac", 8000, 1, 24, 0.5, "square 100 vol 1 dcshift 0.0001");
  const twtest::ToolOutput clipped = twtest::Twdecode(square);
  EXPECT_TRUE(clipped.samples == Output("out=" + ShellQuote(square) + "; " + sox16));
  EXPECT_NE(clipped.samples.find("\xFF\x7F"), std::string::npos);
}

TEST(FlacOpusTwdecode, OpusOfEveryToolPlaysLikeOpusdecWithoutDither) {
  TW_REQUIRE_TOOLS("ffmpeg", "opusdec", "opusenc", "sox");
  TempDir dir;
  const std::string stereo = Source(dir, "in2.wav", 44100, 2, 16, 2.37);
  const std::string mono = Source(dir, "in1.wav", 16000, 1, 16, 1.9);
  const Case cases[] = {
      {"s.opus", "opusenc --quiet $in2 $out", nullptr, "2"},
      {"m.opus", "opusenc --quiet --bitrate 24 $in1 $out", nullptr, "1"},
      {"ff.opus", "ffmpeg -v error -i $in2 -c:a libopus -b:a 96k $out", nullptr, "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = dir.File(c.name);
    Make("in1=" + ShellQuote(mono) + " in2=" + ShellQuote(stereo) + " out=" + ShellQuote(out) +
         "; " + c.make);
    const twtest::ToolOutput ours = twtest::Twdecode(out);
    ASSERT_EQ(ours.exit_code, 0) << ours.fields;
    const std::string raw = dir.File("reference.raw");
    Make("opusdec --quiet --rate 48000 --no-dither " + ShellQuote(out) + " " + ShellQuote(raw));
    const std::string theirs = testsupport::ReadTextFile(raw);
    EXPECT_GT(theirs.size(), 48000u * 2);
    EXPECT_TRUE(ours.samples == theirs)
        << ours.samples.size() << " bytes against " << theirs.size();
    EXPECT_EQ(FieldOf(ours, "frequency"), "48000");
    EXPECT_EQ(FieldOf(ours, "channels"), c.type_text);
    EXPECT_EQ(FieldOf(ours, "type").rfind("OPUS ", 0), 0u);
    EXPECT_EQ(std::stoul(FieldOf(ours, "length")) * 2 * std::stoul(c.type_text), theirs.size());
  }
  // A chain of a mono and a stereo link plays as stereo: the mono link on both sides.
  const auto opusdec = [&](const std::string& name) {
    Make("opusdec --quiet --rate 48000 --no-dither " + ShellQuote(dir.File(name)) + " " +
         ShellQuote(dir.File("reference.raw")));
    return testsupport::ReadTextFile(dir.File("reference.raw"));
  };
  Make("cat " + ShellQuote(dir.File("m.opus")) + " " + ShellQuote(dir.File("s.opus")) + " > " +
       ShellQuote(dir.File("chain.opus")));
  const std::string first = opusdec("m.opus");
  std::string expected;
  for (size_t i = 0; i + 1 < first.size(); i += 2)
    expected += first.substr(i, 2) + first.substr(i, 2);
  expected += opusdec("s.opus");
  const twtest::ToolOutput chain = twtest::Twdecode(dir.File("chain.opus"));
  EXPECT_EQ(FieldOf(chain, "channels"), "2");
  EXPECT_TRUE(chain.samples == expected) << chain.samples.size() << " against " << expected.size();
}

TEST(FlacOpusTags, CommentsFillTheDescriptiveFields) {
  TW_REQUIRE_TOOLS("flac", "opusenc", "sox");
  TempDir dir;
  const std::string in = Source(dir, "in.wav", 22050, 2, 16, 0.5);
  const std::string tags =
      "-T 'TITLE=First' -T 'title=Flac Title' -T 'ARTIST=Flac Artist' -T 'ALBUM=Flac Album' "
      "-T 'DATE=1999-05-01' -T 'GENRE=Unknown' -T 'COMMENT=Flac Comment' "
      "-T 'lyrics=[00:01.00]Flac words' ";
  Make("flac -s " + tags + "-o " + ShellQuote(dir.File("t.flac")) + " " + ShellQuote(in));
  Make("flac -s --ogg " + tags + "-o " + ShellQuote(dir.File("t.oga")) + " " + ShellQuote(in));
  for (const char* name : {"t.flac", "t.oga"}) {
    SCOPED_TRACE(name);
    const twtest::ToolOutput out = twtest::Twdecode(dir.File(name));
    EXPECT_EQ(FieldOf(out, "title"), "Flac Title");  // a later comment with the same name wins
    EXPECT_EQ(FieldOf(out, "artist"), "Flac Artist");
    EXPECT_EQ(FieldOf(out, "album"), "Flac Album");
    EXPECT_EQ(FieldOf(out, "year"), "1999");
    EXPECT_EQ(FieldOf(out, "genre"), "");
    EXPECT_EQ(FieldOf(out, "comment"), "Flac Comment");
    EXPECT_EQ(ReadEmbeddedLyrics(dir.File(name)), "[00:01.00]Flac words");
  }
  Make(
      "opusenc --quiet --title 'Opus Title' --artist 'Opus Artist' --album 'Opus Album' "
      "--date 2011 --genre Ambient --comment 'DESCRIPTION=Opus Comment' "
      "--comment 'LYRICS=Opus words' " +
      ShellQuote(in) + " " + ShellQuote(dir.File("t.opus")));
  const twtest::ToolOutput opus = twtest::Twdecode(dir.File("t.opus"));
  EXPECT_EQ(FieldOf(opus, "title"), "Opus Title");
  EXPECT_EQ(FieldOf(opus, "artist"), "Opus Artist");
  EXPECT_EQ(FieldOf(opus, "album"), "Opus Album");
  EXPECT_EQ(FieldOf(opus, "year"), "2011");
  EXPECT_EQ(FieldOf(opus, "genre"), "Ambient");
  EXPECT_EQ(FieldOf(opus, "comment"), "Opus Comment");
  EXPECT_EQ(ReadEmbeddedLyrics(dir.File("t.opus")), "Opus words");
  EXPECT_EQ(ReadEmbeddedLyrics(in), "");
  EXPECT_EQ(ReadEmbeddedLyrics(dir.File("missing.flac")), "");
}

TEST(FlacSeek, SeekingThenDecodingEqualsTheStraightDecode) {
  TW_REQUIRE_TOOLS("flac", "sox");
  TempDir dir;
  const std::string in = Source(dir, "in.wav", 44100, 2, 24, 3.1);
  Make("flac -s -b 4096 -o " + ShellQuote(dir.File("a.flac")) + " " + ShellQuote(in));
  Make("sox " + ShellQuote(in) + " -b 16 -c 1 -t wav - | flac -s --ogg -o " +
       ShellQuote(dir.File("a.oga")) + " -");
  twtest::ExpectSeeksMatchStraightDecode(decoders::kFlacDecoder, dir.File("a.flac"));
  twtest::ExpectSeeksMatchStraightDecode(decoders::kFlacDecoder, dir.File("a.oga"));
}

TEST(OpusSeek, PositionIsTheTargetAndSamplesConvergeWithinHalfASecond) {
  TW_REQUIRE_TOOLS("opusenc", "sox");
  TempDir dir;
  const std::string in = Source(dir, "in.wav", 48000, 2, 16, 4.0);
  const std::string path = dir.File("a.opus");
  Make("opusenc --quiet " + ShellQuote(in) + " " + ShellQuote(path));
  decoders::TrackInfo track;
  ASSERT_TRUE(twtest::Probe(decoders::kOpusDecoder, path, &track));
  EXPECT_EQ(track.seekable, 1);
  std::string whole;
  ASSERT_TRUE(twtest::DecodeAll(track, 0.0, &whole));
  ASSERT_EQ(whole.size(), size_t(track.length) * 4);
  constexpr size_t kConverged = 24000 * 4;  // 0.5 s of frames
  for (const double target : {0.25, 0.9999, 1.5, 2.0, 3.3}) {
    SCOPED_TRACE(target);
    ASSERT_EQ(track.open(&track), 1);
    EXPECT_EQ(track.seek(target), std::trunc(target * 48000) / 48000);
    EXPECT_EQ(track.position(), std::trunc(target * 48000) / 48000);
    track.close();
    std::string part;
    ASSERT_TRUE(twtest::DecodeAll(track, target, &part));
    const size_t from = size_t(std::trunc(target * 48000)) * 4;
    ASSERT_EQ(part.size(), whole.size() - from);
    EXPECT_TRUE(part.substr(kConverged) == whole.substr(from + kConverged));
  }
  // Any target is clamped to the track; at the end nothing is left to play.
  ASSERT_EQ(track.open(&track), 1);
  const double end = double(track.length) / 48000;
  for (const double target : {-2.0, std::nan(""), 0.0}) EXPECT_EQ(track.seek(target), 0.0);
  for (const double target : {end, end + 5, 1e300, std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(track.seek(target), end);
    std::vector<int16_t> left(8192), right(8192);
    EXPECT_EQ(track.decode(left.data(), right.data(), 8192, 0.1), 0);
  }
  track.close();
}

// Which module identification gives each file; one magic number never leaks to
// another module, and the MPEG scan never plays an Ogg or FLAC file as noise.
TEST(FlacOpusIdentify, EachFileGoesToItsOwnModule) {
  TW_REQUIRE_TOOLS("flac", "oggenc", "opusenc", "sox");
  TempDir dir;
  const std::string in = Source(dir, "in.wav", 22050, 2, 16, 0.4);
  const std::string flac = dir.File("a.flac");
  Make("flac -s -o " + ShellQuote(flac) + " " + ShellQuote(in));
  Make("flac -s --ogg -o " + ShellQuote(dir.File("a.oga")) + " " + ShellQuote(in));
  Make("opusenc --quiet " + ShellQuote(in) + " " + ShellQuote(dir.File("a.opus")));
  Make("oggenc -Q -o " + ShellQuote(dir.File("a.ogg")) + " " + ShellQuote(in));
  struct Expected {
    const char* name;
    const char* type;
    const decoders::DecoderClass* owner;
  };
  const Expected expected[] = {{"a.flac", "FLAC 16bit", &decoders::kFlacDecoder},
                               {"a.oga", "OGG-FLAC 16bit", &decoders::kFlacDecoder},
                               {"a.opus", "OPUS", &decoders::kOpusDecoder},
                               {"a.ogg", "OGG", &decoders::kOggDecoder}};
  for (const Expected& file : expected) {
    SCOPED_TRACE(file.name);
    const twtest::ToolOutput out = twtest::Twdecode(dir.File(file.name));
    EXPECT_EQ(out.exit_code, 0);
    EXPECT_EQ(FieldOf(out, "type").rfind(file.type, 0), 0u) << out.fields;
    for (const decoders::DecoderClass* module :
         {&decoders::kFlacDecoder, &decoders::kOggDecoder, &decoders::kOpusDecoder,
          &decoders::kMpegDecoder}) {
      module->init();
      decoders::TrackInfo track;
      EXPECT_EQ(twtest::Probe(*module, dir.File(file.name), &track), module == file.owner)
          << module->name;
    }
  }

  // FLAC behind an ID3v2 tag, small and larger than the header buffer.
  const std::string reference = twtest::Twdecode(flac).samples;
  const Bytes body = testsupport::ReadBinaryFile(flac);
  for (const size_t tag : {100u, 40000u}) {
    // Made at full size: growing a 10-byte vector trips GCC 12's -O3 bounds check.
    Bytes tagged(10 + tag, 0);
    const uint8_t header[10] = {'I', 'D', '3', 3, 0, 0, uint8_t(tag >> 21 & 0x7F),
                                uint8_t(tag >> 14 & 0x7F), uint8_t(tag >> 7 & 0x7F),
                                uint8_t(tag & 0x7F)};
    std::copy(std::begin(header), std::end(header), tagged.begin());
    tagged.insert(tagged.end(), body.begin(), body.end());
    testsupport::WriteBinaryFile(dir.File("tagged.flac"), tagged);
    const twtest::ToolOutput out = twtest::Twdecode(dir.File("tagged.flac"));
    EXPECT_EQ(FieldOf(out, "type"), "FLAC 16bit") << tag;
    EXPECT_TRUE(out.samples == reference) << tag;
    // A tag size that is not syncsafe is no tag: the file is nobody's.
    tagged[6] = 0x80;
    testsupport::WriteBinaryFile(dir.File("tagged.flac"), tagged);
    EXPECT_EQ(twtest::Twdecode(dir.File("tagged.flac")).exit_code, 2) << tag;
  }

  // An Ogg stream of a codec no module plays is refused by every probe.
  Bytes unknown = testsupport::ReadBinaryFile(dir.File("a.ogg"));
  std::copy_n("\x80theora", 7, unknown.begin() + 28);
  testsupport::WriteBinaryFile(dir.File("unknown.ogg"), unknown);
  EXPECT_EQ(twtest::Twdecode(dir.File("unknown.ogg")).exit_code, 2);
}

// 5.1 (WAVE order FL FR FC LFE BL BR, which opusenc turns into Opus's own) mixed
// down to stereo: a tone on one channel only, measured on each side.
TEST(FlacOpusMixdown, FiveOneTonesLandOnTheirSidesAtTheirLevels) {
  TW_REQUIRE_TOOLS("flac", "opusenc", "sox");
  TempDir dir;
  const std::string tone = Source(dir, "tone.wav", 48000, 1, 16, 1.0, "sine 440 vol 0.5");
  const auto rms = [&](const std::string& samples, int side) {
    testsupport::WriteBinaryFile(dir.File("out.raw"), Bytes(samples.begin(), samples.end()));
    const std::string stat =
        testsupport::Run("sox -t s16 -r 48000 -c 2 -L " + ShellQuote(dir.File("out.raw")) +
                         " -n remix " + std::to_string(side) + " stat 2>&1")
            .out;
    const size_t at = stat.find("RMS     amplitude:");
    return at == std::string::npos ? -1.0 : std::stod(stat.substr(at + 18));
  };
  const double full = 0.5 / std::sqrt(2.0);
  const double down3 = full / std::sqrt(2.0);
  struct Tone {
    const char* remix;  // which of the six channels carries the tone
    double left, right;
  };
  const Tone tones[] = {{"1 0 0 0 0 0", full, 0},
                        {"0 0 1 0 0 0", down3, down3},
                        {"0 0 0 1 0 0", 0, 0},
                        {"0 0 0 0 1 0", down3, 0},
                        {"0 0 0 0 0 1", 0, down3}};
  for (const Tone& t : tones) {
    SCOPED_TRACE(t.remix);
    const std::string six = dir.File("six.wav");
    Make("sox " + ShellQuote(tone) + " " + ShellQuote(six) + " remix " + t.remix);
    Make("flac -s -f -o " + ShellQuote(dir.File("six.flac")) + " " + ShellQuote(six));
    Make("opusenc --quiet " + ShellQuote(six) + " " + ShellQuote(dir.File("six.opus")));
    for (const char* name : {"six.flac", "six.opus"}) {
      SCOPED_TRACE(name);
      const twtest::ToolOutput out = twtest::Twdecode(dir.File(name));
      ASSERT_EQ(out.exit_code, 0) << out.fields;
      EXPECT_EQ(FieldOf(out, "channels"), "2");
      // Within 0.1 dB of the level wanted; silence below -80 dB.
      EXPECT_NEAR(rms(out.samples, 1), t.left, t.left > 0 ? t.left * 0.012 : 1e-4);
      EXPECT_NEAR(rms(out.samples, 2), t.right, t.right > 0 ? t.right * 0.012 : 1e-4);
    }
  }
  // Nine channels take Opus's undefined mapping: no mixdown knows it, and no
  // module plays it as anything else.
  Make("sox -n -r 48000 -c 9 -b 16 " + ShellQuote(dir.File("nine.wav")) + " synth 0.2 sine 440");
  Make("opusenc --quiet " + ShellQuote(dir.File("nine.wav")) + " " +
       ShellQuote(dir.File("nine.opus")));
  EXPECT_EQ(twtest::Twdecode(dir.File("nine.opus")).exit_code, 2);
}

// Damaged and foreign files: refused or played to an end, never a crash, a hang
// or a read out of bounds (run these under the sanitizer build too).
TEST(FlacOpusHostile, DamagedHeadersAndTruncationsAreRefusedOrPlayed) {
  TW_REQUIRE_TOOLS("flac", "opusenc", "sox");
  TempDir dir;
  const std::string in = Source(dir, "in.wav", 8000, 2, 16, 0.2);
  Make("flac -s --no-padding -T TITLE=x -o " + ShellQuote(dir.File("a.flac")) + " " +
       ShellQuote(in));
  Make("flac -s --ogg --no-padding -o " + ShellQuote(dir.File("a.oga")) + " " + ShellQuote(in));
  Make("opusenc --quiet " + ShellQuote(in) + " " + ShellQuote(dir.File("a.opus")));
  const std::pair<const char*, const decoders::DecoderClass*> files[] = {
      {"a.flac", &decoders::kFlacDecoder},
      {"a.oga", &decoders::kFlacDecoder},
      {"a.opus", &decoders::kOpusDecoder}};
  // STREAMINFO with no sample rate (bytes 18-20 of a native file) is absurd.
  Bytes no_rate = testsupport::ReadBinaryFile(dir.File("a.flac"));
  no_rate[18] = no_rate[19] = 0;
  no_rate[20] &= 0x0F;
  testsupport::WriteBinaryFile(dir.File("no-rate.flac"), no_rate);
  decoders::TrackInfo track;
  EXPECT_FALSE(twtest::Probe(decoders::kFlacDecoder, dir.File("no-rate.flac"), &track));
  for (const auto& [name, module] : files) {
    SCOPED_TRACE(name);
    const Bytes bytes = testsupport::ReadBinaryFile(dir.File(name));
    twtest::ExpectHostileVariantsSafe(*module, bytes, 160);
    // Damage spread over the audio frames (bad checksums, lost sync), and cuts.
    const std::string path = dir.File("hostile");
    Bytes damaged = bytes;
    for (size_t i = 200; i < damaged.size(); i += 97) damaged[i] ^= 0x5A;
    testsupport::WriteBinaryFile(path, damaged);
    twtest::ExpectRefusedOrPlayed(*module, path);
    for (const double part : {0.3, 0.77, 0.999}) {
      testsupport::WriteBinaryFile(
          path, Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(double(bytes.size()) * part)));
      twtest::ExpectRefusedOrPlayed(*module, path);
    }
  }
}

}  // namespace
