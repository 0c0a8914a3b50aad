// Damaged and foreign files offered to the MPEG and Ogg modules: each is refused
// or played to an end, never a crash, a hang or a read out of bounds (run these
// under the sanitizer build too).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>

#include "MpegOggSupport.h"
#include "decoders/PcmCodec.h"
#include "decoders/TwdecodeSupport.h"

namespace {

using decoders::kMpegDecoder;
using decoders::kOggDecoder;
using mpegogg::MakeSource;
using mpegogg::PlayAll;
using mpegogg::ProbeWith;
using mpegogg::RunOk;
using testsupport::ReadBinaryFile;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteBinaryFile;
using Bytes = std::vector<uint8_t>;

// Offers the file to both modules and plays whatever is accepted.
void RefusedOrPlayed(const std::string& path) {
  SCOPED_TRACE(path);
  for (const decoders::DecoderClass* module : {&kOggDecoder, &kMpegDecoder}) {
    decoders::TrackPtr track = ProbeWith(*module, path);
    if (!track) continue;
    EXPECT_GT(track->frequency, 0);
    PlayAll(track.get());
    // The track can be played again after it ended.
    bool opened = false;
    PlayAll(track.get(), &opened);
    EXPECT_TRUE(opened);
  }
}

class MpegOggHostile : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = dir_.File(name);
    WriteBinaryFile(path, bytes);
    return path;
  }
  std::string Encode(const std::string& name, const std::string& command, int rate = 44100,
                     int channels = 2) {
    const std::string source = MakeSource(dir_, name + ".wav", rate, channels, 1.5);
    const std::string path = dir_.File(name);
    RunOk(command + " " + ShellQuote(source) + " " + ShellQuote(path) + " >/dev/null 2>&1");
    return path;
  }
  std::string Oggenc(const std::string& name, int rate, int channels) {
    const std::string source = MakeSource(dir_, name + ".wav", rate, channels, 1.5);
    const std::string path = dir_.File(name);
    RunOk("oggenc -Q -o " + ShellQuote(path) + " " + ShellQuote(source));
    return path;
  }
  TempDir dir_;
};

TEST_F(MpegOggHostile, RandomBytesAndOtherFormatsAreRefusedOrPlayed) {
  TW_REQUIRE_TOOLS("lame", "sox");
  std::mt19937 random(1234);
  for (const size_t size : {0u, 3u, 200u, 5000u, 300000u}) {
    Bytes bytes(size);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    RefusedOrPlayed(Write("random" + std::to_string(size) + ".mp3", bytes));
    if (size >= 4) {
      std::memcpy(bytes.data(), "OggS", 4);
      RefusedOrPlayed(Write("random" + std::to_string(size) + ".ogg", bytes));
    }
  }
  const std::string wave = MakeSource(dir_, "plain.wav", 44100, 2, 1.0);
  RefusedOrPlayed(wave);
  const std::string flac = dir_.File("sound.flac");
  RunOk("sox " + ShellQuote(wave) + " " + ShellQuote(flac));
  RefusedOrPlayed(flac);
  const std::string aiff = dir_.File("sound.aiff");
  RunOk("sox " + ShellQuote(wave) + " " + ShellQuote(aiff));
  EXPECT_FALSE(ProbeWith(kMpegDecoder, aiff));
  EXPECT_FALSE(ProbeWith(kOggDecoder, Encode("layer3.mp3", "lame -b 128")));
}

TEST_F(MpegOggHostile, TruncatedFramesAndPagesPlayWhatIsThere) {
  TW_REQUIRE_TOOLS("lame", "oggenc", "sox");
  const Bytes mp3 = ReadBinaryFile(Encode("whole.mp3", "lame -b 128"));
  const Bytes ogg = ReadBinaryFile(Oggenc("whole.ogg", 44100, 2));
  for (const double part : {0.001, 0.01, 0.3, 0.77, 0.999}) {
    const auto cut = [part](const Bytes& bytes) {
      return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() * part));
    };
    RefusedOrPlayed(Write("cut.mp3", cut(mp3)));
    RefusedOrPlayed(Write("cut.ogg", cut(ogg)));
  }
}

TEST_F(MpegOggHostile, HugeId3v2SizesAndBadChecksumsAreSurvived) {
  TW_REQUIRE_TOOLS("lame", "oggenc", "sox");
  const Bytes mp3 = ReadBinaryFile(Encode("crc.mp3", "lame -b 128 -p"));
  // An ID3v2 header that claims 256 MB (syncsafe 0x7F7F7F7F) in front of real frames.
  const uint8_t header[] = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
  Bytes huge(sizeof header + mp3.size());
  std::copy(std::begin(header), std::end(header), huge.begin());
  std::copy(mp3.begin(), mp3.end(), huge.begin() + sizeof header);
  RefusedOrPlayed(Write("huge-id3.mp3", huge));
  // Damage every 997th byte past the first frames: checksums fail, frames are skipped.
  Bytes damaged = mp3;
  for (size_t i = 2000; i < damaged.size(); i += 997) damaged[i] ^= 0x5A;
  RefusedOrPlayed(Write("bad-crc.mp3", damaged));
  Bytes ogg = ReadBinaryFile(Oggenc("damaged.ogg", 44100, 1));
  for (size_t i = 6000; i < ogg.size(); i += 1499) ogg[i] ^= 0xA5;
  RefusedOrPlayed(Write("damaged.ogg", ogg));
}

TEST_F(MpegOggHostile, ChainedStreamsPlayEveryLinkInItsOwnFormat) {
  TW_REQUIRE_TOOLS("lame", "oggdec", "oggenc", "sox");
  const std::string mono = Oggenc("mono.ogg", 22050, 1);
  const std::string stereo = Oggenc("stereo.ogg", 44100, 2);
  Bytes chained = ReadBinaryFile(mono);
  const Bytes second = ReadBinaryFile(stereo);
  chained.insert(chained.end(), second.begin(), second.end());
  const std::string path = Write("chained.ogg", chained);
  decoders::TrackPtr track = ProbeWith(kOggDecoder, path);
  ASSERT_TRUE(track);
  EXPECT_EQ(track->stereo, 0);
  ASSERT_TRUE(track->format);

  // Straight through: the first link, one report of the change, then the second.
  ASSERT_EQ(track->open(track.get()), 1);
  track->seek(0.0);
  std::vector<int16_t> left(8192), right(8192);
  std::string first, after;
  int changes = 0;
  double position_at_change = -1.0;
  for (int blocks = 0; blocks < 1000; ++blocks) {
    const int32_t frames = track->decode(left.data(), right.data(), 8192, 0.1);
    if (frames == decoders::kDecodeFormatChanged) {
      ++changes;
      position_at_change = track->position();
      track->format(track.get());
      continue;
    }
    if (frames <= 0) break;
    std::string& out = changes ? after : first;
    const int channels = track->stereo ? 2 : 1;
    const size_t at = out.size();
    out.resize(at + size_t(frames) * channels * 2);
    decoders::InterleaveLittleEndian(left.data(), right.data(), size_t(frames), channels, 16,
                                     reinterpret_cast<uint8_t*>(out.data() + at));
  }
  const double position_at_end = track->position();
  track->close();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(track->frequency, 44100);
  EXPECT_EQ(track->stereo, 1);
  EXPECT_TRUE(first == RunOk("oggdec -Q -R -o - " + ShellQuote(mono)));
  EXPECT_TRUE(after == RunOk("oggdec -Q -R -o - " + ShellQuote(stereo)));
  EXPECT_NEAR(position_at_change, 1.5, 1e-6);
  EXPECT_NEAR(position_at_end, 3.0, 1e-6);  // the position counts on

  // A seek into the second link reports the change before its frames.
  track = ProbeWith(kOggDecoder, path);
  ASSERT_EQ(track->open(track.get()), 1);
  EXPECT_NEAR(track->seek(2.0), 2.0, 1e-3);
  EXPECT_EQ(track->decode(left.data(), right.data(), 8192, 0.1), decoders::kDecodeFormatChanged);
  track->format(track.get());
  EXPECT_EQ(track->frequency, 44100);
  EXPECT_EQ(track->decode(left.data(), right.data(), 8192, 0.1), 4410);
  track->close();

  // twdecode goes on through the change and says where the second link begins.
  const twtest::ToolOutput tool = twtest::Twdecode(path);
  EXPECT_EQ(tool.exit_code, 0);
  EXPECT_TRUE(tool.samples == first + after);
  EXPECT_NE(tool.fields.find("link: byte " + std::to_string(first.size()) +
                             ", 44100 Hz, 2 channels, 16 bits"),
            std::string::npos)
      << tool.fields;

  // A chain of links of the same format plays through without a report.
  Bytes twice = second;
  twice.insert(twice.end(), second.begin(), second.end());
  const std::string same = Write("twice.ogg", twice);
  track = ProbeWith(kOggDecoder, same);
  ASSERT_TRUE(track);
  EXPECT_TRUE(PlayAll(track.get()) == RunOk("oggdec -Q -R -o - " + ShellQuote(same)));

  Bytes mp3 = ReadBinaryFile(Encode("a.mp3", "lame -b 128"));
  const Bytes low = ReadBinaryFile(Encode("b.mp3", "lame -b 32 -m m --resample 8"));
  mp3.insert(mp3.end(), low.begin(), low.end());
  RefusedOrPlayed(Write("changing.mp3", mp3));
}

}  // namespace

namespace {

// An ID3v2 tag of the given version and flags around frames, its size right.
Bytes Id3v2Tag(uint8_t version, uint8_t flags, const Bytes& frames) {
  const size_t n = frames.size();
  const uint8_t header[] = {'I', 'D', '3', version, 0, flags, uint8_t(n >> 21 & 0x7F),
                            uint8_t(n >> 14 & 0x7F), uint8_t(n >> 7 & 0x7F), uint8_t(n & 0x7F)};
  // Made at full size at once: GCC 12 at -O3 misreads a small vector grown by insert.
  Bytes tag(sizeof(header) + n);
  std::copy(std::begin(header), std::end(header), tag.begin());
  std::copy(frames.begin(), frames.end(), tag.begin() + sizeof(header));
  return tag;
}

// A v2.3 frame header: id, a 32-bit size as claimed, no flags; then the body.
Bytes Frame(const char* id, uint32_t claimed, const Bytes& body) {
  Bytes frame(id, id + 4);
  for (const int shift : {24, 16, 8, 0}) frame.push_back(uint8_t(claimed >> shift));
  frame.insert(frame.end(), {0, 0});
  frame.insert(frame.end(), body.begin(), body.end());
  return frame;
}

}  // namespace

// Tags too broken to read leave the song playable: the audio after them is
// still found, the fields hold nothing worse than what the tag said.
TEST_F(MpegOggHostile, BrokenId3v2AndApeTagsAreIgnoredAndTheSongPlays) {
  TW_REQUIRE_TOOLS("lame", "sox");
  const Bytes mp3 = ReadBinaryFile(Encode("plain.mp3", "lame -b 64"));
  const Bytes utf16_odd = {1, 0xFF, 0xFE, 'A', 0, 'B'};      // BOM, then half a character
  const Bytes lone_surrogate = {1, 0xFF, 0xFE, 0x00, 0xD8};  // a high surrogate alone
  const Bytes tags[] = {
      Id3v2Tag(3, 0, Frame("TIT2", 0x7FFFFFFF, {0, 'x'})),          // frame larger than the tag
      Id3v2Tag(3, 0, Frame("TIT2", 3, {0x07, 'b', 'a', 'd'})),      // no such text encoding
      Id3v2Tag(3, 0, Frame("TPE1", uint32_t(utf16_odd.size()), utf16_odd)),
      Id3v2Tag(3, 0, Frame("TALB", uint32_t(lone_surrogate.size()), lone_surrogate)),
      Id3v2Tag(3, 0x80, Frame("TIT2", 6, {0, 0xFF, 0x00, 0xFF, 0x00, 0xFF})),  // unsynchronised
      Id3v2Tag(4, 0x40, {0, 0, 0, 0x7F, 1, 0}),                      // extended header past the tag
      Id3v2Tag(4, 0, Frame("TCON", 4, {3, '(', '9', '9'})),         // "(99" never closed
      Id3v2Tag(3, 0, Frame("TXXX", 14, {0, 'R', 'E', 'P', 'L', 'A', 'Y', 'G', 'A', 'I', 'N', 0, 'n', 'a'})),
      Id3v2Tag(2, 0, {'T', 'T', '2', 0xFF, 0xFF, 0xFF, 0}),         // v2.2 frame claiming 16 MB
  };
  for (size_t i = 0; i < std::size(tags); ++i) {
    Bytes file = tags[i];
    file.insert(file.end(), mp3.begin(), mp3.end());
    const std::string path = Write("tag" + std::to_string(i) + ".mp3", file);
    SCOPED_TRACE(path);
    decoders::TrackPtr track = ProbeWith(kMpegDecoder, path);
    ASSERT_TRUE(track);
    EXPECT_LT(std::strlen(track->title), sizeof track->title);
    EXPECT_FALSE(PlayAll(track.get()).empty());
  }
  // An APEv2 footer whose size and item count are far beyond the file.
  Bytes ape = mp3;
  const uint8_t footer[32] = {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X', 0xD0, 0x07, 0, 0,
                              0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F};
  ape.insert(ape.end(), std::begin(footer), std::end(footer));
  decoders::TrackPtr track = ProbeWith(kMpegDecoder, Write("ape.mp3", ape));
  ASSERT_TRUE(track);
  EXPECT_FALSE(PlayAll(track.get()).empty());
}
