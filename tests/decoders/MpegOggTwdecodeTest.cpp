// The whole road, identification included: twdecode's samples for MPEG and Ogg
// files equal those of mpg123 and oggdec, and foreign bytes never crash it.
#include <gtest/gtest.h>
#include <unistd.h>

#include "MpegOggSupport.h"

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
  const std::string twdecode = BuiltProgram("twdecode");
  if (::access(twdecode.c_str(), X_OK) != 0) GTEST_SKIP() << "twdecode is not built";
  TempDir dir;
  const Case cases[] = {
      {"j.mp3", "lame --quiet -b 128 $in $out", "mpg123 -q -s", "MPEG1-III 128kbps"},
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

}  // namespace
