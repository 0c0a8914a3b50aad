// The program as users run it: real files made by sox, the real engine, the
// file and null sinks.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/TestSupport.h"


using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

std::string Program() { return testsupport::BuiltProgram("tunewright"); }

std::string Env(const TempDir& dir, const std::string& output) {
  return "TUNEWRIGHT_HOME=" + ShellQuote(dir.File("home")) + " TUNEWRIGHT_OUTPUT=" +
         ShellQuote(output) + " ";
}

void MakeTone(const std::string& path, const std::string& format, const std::string& effect) {
  ASSERT_EQ(testsupport::Run("sox -n -b 16 " + format + " " + ShellQuote(path) + " " + effect +
                             " 2>/dev/null")
                .exit_code,
            0);
}

std::string RawSamples(const std::string& path) {
  return testsupport::Run("sox " + ShellQuote(path) + " -t s16 -L - 2>/dev/null").out;
}

}  // namespace

TEST(Program, UsageForAMismatchedCommandLine) {
  TempDir dir;
  const auto result = testsupport::Run(Env(dir, "null") + Program() + " NOPE=1");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "\nTunewright " TUNEWRIGHT_TEST_VERSION "\n\nSupported formats are:\n\n"
            "[IFF 8SVX] 8bit PCM, Fibonacci delta\n[AIFF] SSND: 8-16bit PCM, ADP4: ADPCM 4\n"
            "[AU] 8-16bit PCM, ULAW\n[WAVE] 8-16bit PCM\n[MPEG] 1,2,2.5 / I, II & III\n[CDDA]\n"
            "[OGG] 16bit, Ogg Vorbis Project\n\n");
  EXPECT_EQ(testsupport::Run(Env(dir, "null") + Program() + " --help").out, result.out);
}

TEST(Program, RendersSongsBitExactThroughTheFileSink) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  MakeTone(dir.File("stereo.wav"), "-r 44100 -c 2", "synth 2.3 sine 440 sine 660");
  const auto result =
      testsupport::Run(Env(dir, "file:" + dir.File("out.wav")) + Program() + " " + ShellQuote(dir.File("stereo.wav")));
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "00:02 RIFF-WAVE 44100Hz 16 bits stereo '" + dir.File("stereo.wav") + "'\n");
  EXPECT_EQ(RawSamples(dir.File("out.wav")), RawSamples(dir.File("stereo.wav")));
}

TEST(Program, HeadlessPlaysTheListInOrder) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  MakeTone(dir.File("a.wav"), "-r 44100 -c 2", "synth 0.6 sine 300");
  MakeTone(dir.File("b.wav"), "-r 44100 -c 2", "synth 0.4 sine 500");
  const auto result = testsupport::Run(Env(dir, "file:" + dir.File("out.wav")) + Program() + " --headless " +
                          ShellQuote(dir.File("a.wav")) + " " + ShellQuote(dir.File("b.wav")));
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "00:00 RIFF-WAVE 44100Hz 16 bits stereo '" + dir.File("a.wav") +
                            "'\n00:00 RIFF-WAVE 44100Hz 16 bits stereo '" + dir.File("b.wav") + "'\n");
  EXPECT_EQ(RawSamples(dir.File("out.wav")), RawSamples(dir.File("a.wav")) + RawSamples(dir.File("b.wav")));
}

TEST(Program, InterruptDuringTheFirstOfThreeSongsEndsTheRun) {
  TW_REQUIRE_TOOLS("sox");
  TempDir dir;
  MakeTone(dir.File("long.wav"), "-r 8000 -c 1", "synth 30 sine 440");
  int out_pipe[2];
  ASSERT_EQ(::pipe(out_pipe), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out_pipe[1], 1);
    ::setenv("TUNEWRIGHT_OUTPUT", "null", 1);
    ::setenv("TUNEWRIGHT_HOME", dir.File("home").c_str(), 1);
    const std::string song = dir.File("long.wav");
    ::execl(Program().c_str(), "tunewright", song.c_str(), song.c_str(), song.c_str(), nullptr);
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  ::kill(child, SIGINT);
  int status = 0;
  ::waitpid(child, &status, 0);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(out_pipe[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  ::close(out_pipe[0]);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
}
