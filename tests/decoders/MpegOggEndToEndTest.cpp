// The whole road: twdecode (identification included) and every file-layer back
// end give the samples of mpg123 and oggdec, and foreign bytes never crash it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "MpegOggSupport.h"
#include "decoders/TW_File.h"

namespace {

using mpegogg::MakeSource;
using mpegogg::RunOk;
using testsupport::BuiltProgram;
using testsupport::ShellQuote;
using testsupport::TempDir;

struct Case {
  const char* name;
  const char* make;  // $in is the source, $out the file made
  const char* reference;
  const char* type_text;
};

TEST(MpegOggTwdecode, MpegAndOggFilesPlayLikeTheReferenceDecoders) {
  TW_REQUIRE_TOOLS("ffmpeg", "lame", "mpg123", "oggdec", "oggenc", "sox", "twolame");
  TempDir dir;
  // An empty user data folder: no settings file applies.
  const std::string twdecode =
      "TUNEWRIGHT_HOME=" + ShellQuote(dir.path()) + " " + BuiltProgram("twdecode");
  if (::access(BuiltProgram("twdecode").c_str(), X_OK) != 0) GTEST_SKIP() << "not built";
  const Case cases[] = {
      {"j.mp3", "lame --quiet -b 128 $in $out", "mpg123 -q -s", "MPEG1-III 128kbps"},
      // 48 kHz keeps its rate and its top octave by default.
      {"k.mp3", "lame --quiet -b 128 --resample 48 $in $out", "mpg123 -q -s", "MPEG1-III 128kbps"},
      {"m.mp3", "lame --quiet -b 16 -m m --resample 8 $in $out", "mpg123 -q -s",
       "MPEG2.5-III 16kbps"},
      {"t.mp2", "twolame --quiet -b 160 $in $out", "mpg123 -q -s", "MPEG1-II 160kbps"},
      {"f.mp2", "ffmpeg -v error -i $in -c:a mp2 -b:a 128k $out", "mpg123 -q -s",
       "MPEG1-II 128kbps"},
      {"o.ogg", "oggenc -Q -o $out $in", "oggdec -Q -R -o -", nullptr},
      {"s.ogg", "sox $in -c 1 $out", "oggdec -Q -R -o -", nullptr},
      {"f.ogg", "ffmpeg -v error -i $in -c:a libvorbis $out", "oggdec -Q -R -o -", nullptr},
  };
  const std::string in = MakeSource(dir, "in.wav", 44100, 2, 2.21);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = dir.File(c.name);
    RunOk("in=" + ShellQuote(in) + " out=" + ShellQuote(out) + "; " + c.make);
    const std::string fields = dir.File("fields.txt");
    const std::string ours = RunOk(twdecode + " " + ShellQuote(out) + " 2>" + ShellQuote(fields));
    EXPECT_TRUE(ours == RunOk(std::string(c.reference) + " " + ShellQuote(out)));
    if (c.type_text) {
      EXPECT_NE(testsupport::ReadTextFile(fields).find(std::string("type: ") + c.type_text),
                std::string::npos);
    }
  }
  // The settings file's MPEG3 limit is what the player would apply: half rate.
  testsupport::WriteTextFile(dir.File("Tunewright.cfg"), "[MPEG3]\nSTEREO_FREQ_MAX=24000\n");
  const std::string halved = RunOk(twdecode + " " + ShellQuote(dir.File("k.mp3")) + " 2>" +
                                   ShellQuote(dir.File("fields.txt")));
  EXPECT_TRUE(halved == RunOk("mpg123 -q -s -2 " + ShellQuote(dir.File("k.mp3"))));
  EXPECT_NE(testsupport::ReadTextFile(dir.File("fields.txt")).find("frequency: 24000"),
            std::string::npos);
  std::remove(dir.File("Tunewright.cfg").c_str());

  // Foreign bytes named like sound files: refused (2) or played (0).
  RunOk("head -c 100000 /dev/urandom > " + ShellQuote(dir.File("noise.mp3")));
  RunOk("head -c 100000 /dev/urandom | (printf OggS; cat) > " + ShellQuote(dir.File("n.ogg")));
  for (const char* name : {"noise.mp3", "n.ogg"}) {
    const int status =
        testsupport::Run(twdecode + " " + ShellQuote(dir.File(name)) + " >/dev/null 2>&1")
            .exit_code;
    EXPECT_TRUE(status == 0 || status == 2) << name << " " << status;
  }
}

// Whatever back end the file layer uses (RAM copy, read-ahead, plain stdio), the
// modules read the same bytes.
TEST(MpegOggFileLayer, EveryBackEndGivesTheSameSamples) {
  TW_REQUIRE_TOOLS("lame", "mpg123", "oggdec", "oggenc", "sox");
  TempDir dir;
  const std::string in = MakeSource(dir, "in.wav", 44100, 2, 1.3);
  const std::string mp3 = dir.File("a.mp3");
  const std::string ogg = dir.File("a.ogg");
  RunOk("lame --quiet -b 128 " + ShellQuote(in) + " " + ShellQuote(mp3));
  RunOk("oggenc -Q -o " + ShellQuote(ogg) + " " + ShellQuote(in));
  const std::string mp3_reference = RunOk("mpg123 -q -s " + ShellQuote(mp3));
  const std::string ogg_reference = RunOk("oggdec -Q -R -o - " + ShellQuote(ogg));
  const settings::FileSettings saved = decoders::TW_File_GetSettings();
  for (const uint16_t ram : {0, 1}) {
    for (const uint16_t read_ahead : {0, 1}) {
      SCOPED_TRACE(std::to_string(ram) + "/" + std::to_string(read_ahead));
      settings::FileSettings block = saved;
      block.load_in_ram = ram;
      block.use_asyncio = read_ahead;
      decoders::TW_File_SetSettings(block);
      decoders::TrackPtr track = mpegogg::ProbeWith(decoders::kMpegDecoder, mp3);
      ASSERT_TRUE(track);
      EXPECT_TRUE(mpegogg::PlayAll(track.get()) == mp3_reference);
      track = mpegogg::ProbeWith(decoders::kOggDecoder, ogg);
      ASSERT_TRUE(track);
      EXPECT_TRUE(mpegogg::PlayAll(track.get()) == ogg_reference);
    }
  }
  decoders::TW_File_SetSettings(saved);
  decoders::TW_File_FreeCache();
}

}  // namespace
