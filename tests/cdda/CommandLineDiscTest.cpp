// The program itself playing a disc image from its command line through the
// file sink, judged by bchunk.
#include <gtest/gtest.h>
#include <unistd.h>

#include "CdImages.h"

using namespace cdtest;
using testsupport::ShellQuote;

namespace {

std::string Tunewright(const testsupport::TempDir& dir, const std::string& args) {
  const std::string program = testsupport::BuiltProgram("tunewright");
  return "TUNEWRIGHT_HOME=" + ShellQuote(dir.File("home")) +
         " TUNEWRIGHT_OUTPUT=file:" + ShellQuote(dir.File("out.wav")) + " " + ShellQuote(program) +
         " " + args;
}

}  // namespace

TEST(CommandLineDisc, ImagesAndTrackNamesPlayBitExactThroughTheFileSink) {
  TW_REQUIRE_TOOLS("bchunk", "sox");
  if (::access(testsupport::BuiltProgram("tunewright").c_str(), X_OK) != 0)
    GTEST_SKIP() << "build the tunewright target to run this test";
  testsupport::TempDir dir;
  std::vector<TrackSpec> layout = AudioTracks(2, 0.6);
  layout.insert(layout.begin(), TrackSpec{false, 0, 25});
  const DiscImage disc = MakeDisc(dir, "cli", layout);
  testsupport::Run("cd " + ShellQuote(dir.path()) + " && bchunk -w cli.bin cli.cue out >/dev/null");
  const auto two = WaveData(dir.File("out02.wav"));
  const auto three = WaveData(dir.File("out03.wav"));
  ASSERT_FALSE(two.empty());
  const std::string key = ExpectedKey(disc);

  // The whole disc: its audio tracks one after the other, each with its line.
  auto result = testsupport::Run(Tunewright(dir, ShellQuote(disc.cue)));
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("'" + key + "-02'"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("'" + key + "-03'"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find(key + "-01"), std::string::npos) << result.out;
  std::vector<uint8_t> both = two;
  both.insert(both.end(), three.begin(), three.end());
  EXPECT_TRUE(WaveData(dir.File("out.wav")) == both);

  // One track by its name, with the drive named in the settings file.
  testsupport::Run("mkdir -p " + ShellQuote(dir.File("home")));
  testsupport::WriteTextFile(dir.File("home/Tunewright.cfg"), "[CDDA]\nDEVICE=" + disc.cue + "\n");
  result = testsupport::Run(Tunewright(dir, key + "-03 Take-5.mp3"));
  EXPECT_EQ(result.exit_code, 1) << "a name that could not be played";
  EXPECT_TRUE(WaveData(dir.File("out.wav")) == three);
  EXPECT_NE(result.out.find("Can't play file 'Take-5.mp3'"), std::string::npos) << result.out;
}
