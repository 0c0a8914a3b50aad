// The program as users run it: real files made by sox, the real engine, the
// file and null sinks.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
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

TEST(Program, UsageTextGoesToStandardErrorForAMismatchAndToStandardOutputForHelp) {
  TempDir dir;
  const std::string usage =
      "\nTunewright " TUNEWRIGHT_TEST_VERSION "\n\nSupported formats are:\n\n"
      "[IFF 8SVX] 8bit PCM, Fibonacci delta\n[AIFF] SSND: 8-16bit PCM, ADP4: ADPCM 4\n"
      "[AU] 8-16bit PCM, ULAW\n[WAVE] 8-16bit PCM\n[MPEG] 1,2,2.5 / I, II & III\n[CDDA]\n"
      "[OGG] 16bit, Ogg Vorbis Project\n[FLAC] 16-32bit, native and Ogg\n[OPUS] Ogg Opus\n\n";
  for (const char* words : {" NOPE=1", " V=1", " VOL=loud a.wav", " RG=loud a.wav"}) {
    const auto mismatch = testsupport::Run(Env(dir, "null") + Program() + words + " 2>&1 >/dev/null");
    EXPECT_EQ(mismatch.exit_code, 2) << words;
    EXPECT_EQ(mismatch.out, usage) << words;
  }
  const auto help = testsupport::Run(Env(dir, "null") + Program() + " --help 2>/dev/null");
  EXPECT_EQ(help.exit_code, 0);
  ASSERT_EQ(help.out.substr(0, usage.size()), usage);
  const std::string options = help.out.substr(usage.size());
  EXPECT_EQ(options.rfind("Options:\n", 0), 0u) << options;
  // One line per item of the template.
  EXPECT_EQ(std::count(options.begin(), options.end(), '\n'), 1 + 14) << options;
  for (const char* option :
       {"\n  NAME...", "\n  V=n ", "\n  VOL=n ", "\n  BUFF=ms ", "\n  ICONIFIED ", "\n  RG=mode "})
    EXPECT_NE(options.find(option), std::string::npos) << option;
}

TEST(Program, ExitCodeTellsWhetherEveryNamePlayed) {
  TempDir dir;
  MakeTone(dir.File("a.wav"), "-r 8000 -c 1", "synth 0.2 sine 440");
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  testsupport::WriteTextFile(dir.File("list.txt"), "a.wav\nfifo\n");
  const std::string run = Env(dir, "null") + "timeout -s KILL 10 " + Program() + " ";
  EXPECT_EQ(testsupport::Run(run + ShellQuote(dir.File("a.wav"))).exit_code, 0);

  const auto missing = testsupport::Run(run + ShellQuote(dir.File("a.wav")) + " " + ShellQuote(dir.File("missing.wav")));
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.out, "00:00 RIFF-WAVE 8000Hz 16 bits '" + dir.File("a.wav") + "'\nCan't play file '" +
                             dir.File("missing.wav") + "'\n");

  // A FIFO is refused without being opened, named directly or on a list line.
  const auto start = std::chrono::steady_clock::now();
  const auto fifo = testsupport::Run(run + ShellQuote(dir.File("fifo")) + " " + ShellQuote(dir.File("list.txt")));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(fifo.exit_code, 1);
  EXPECT_EQ(fifo.out, "Can't play file '" + dir.File("fifo") + "'\n00:00 RIFF-WAVE 8000Hz 16 bits 'a.wav'\n"
                      "Can't play file 'fifo'\n");

  // Nothing playable in the headless player is said, and fails.
  const auto headless = testsupport::Run(run + "--headless " + ShellQuote(dir.File("fifo")) + " 2>&1");
  EXPECT_EQ(headless.exit_code, 1);
  EXPECT_NE(headless.out.find("nothing to play"), std::string::npos) << headless.out;

  // The output that cannot be opened: no song line claims the song.
  const auto no_output = testsupport::Run(Env(dir, "alsa:tw-no-such-device") + "timeout -s KILL 10 " + Program() +
                                          " " + ShellQuote(dir.File("a.wav")) + " 2>/dev/null");
  EXPECT_EQ(no_output.exit_code, 1);
  EXPECT_EQ(no_output.out, "Can't play file '" + dir.File("a.wav") + "'\n");
}

TEST(Program, RecognisedFormatsThatDoNotPlayAreNamed) {
  TempDir dir;
  const std::string tone = "-f lavfi -i 'sine=f=440:r=8000:d=0.2' ";
  struct Case {
    const char* file;
    std::string make;
    const char* message;
  };
  const Case cases[] = {
      {"alaw.au", "sox -n -r 8000 -c 1 -e a-law FILE synth 0.2 sine 440", "A-law AU"},
      {"ms.wav", "sox -n -r 8000 -c 1 -e ms-adpcm FILE synth 0.2 sine 440", "MS ADPCM WAVE"},
      {"ima.wav", "ffmpeg -loglevel error " + tone + "-c:a adpcm_ima_wav FILE", "IMA ADPCM WAVE"},
      {"alaw.aifc", "ffmpeg -loglevel error " + tone + "-c:a pcm_alaw -f aiff FILE",
       "AIFF-C compression 'alaw'"},
      {"nine.wav", "sox -n -b 16 -r 8000 -c 9 FILE synth 0.2 sine 440", "WAVE with 9 channels"},
  };
  for (const Case& c : cases) {
    std::string make = c.make;
    make.replace(make.find("FILE"), 4, ShellQuote(dir.File(c.file)));
    ASSERT_EQ(testsupport::Run(make + " 2>/dev/null").exit_code, 0) << make;
    const auto result = testsupport::Run(Env(dir, "null") + Program() + " " + ShellQuote(dir.File(c.file)));
    EXPECT_EQ(result.exit_code, 1) << c.file;
    EXPECT_EQ(result.out, "'" + dir.File(c.file) + "': " + c.message + " is not supported\n");
  }
  const auto headless = testsupport::Run(Env(dir, "null") + Program() + " --headless " +
                                         ShellQuote(dir.File("alaw.au")) + " 2>/dev/null");
  EXPECT_EQ(headless.exit_code, 1);
  EXPECT_EQ(headless.out, "'" + dir.File("alaw.au") + "': A-law AU is not supported\n");
}

TEST(Program, LyricsConvertersNameWhatTheyWroteAndFailWithACode) {
  TempDir dir;
  testsupport::WriteTextFile(dir.File("song.lrc"), "[00:01.50]one\n");
  const auto to_kok = testsupport::Run(Program() + " --lrc-to-kok " + ShellQuote(dir.File("song.lrc")));
  EXPECT_EQ(to_kok.exit_code, 0);
  EXPECT_EQ(to_kok.out, "Wrote '" + dir.File("song.kok") + "'\n");
  const auto to_lrc = testsupport::Run(Program() + " --kok-to-lrc " + ShellQuote(dir.File("song.kok")));
  EXPECT_EQ(to_lrc.exit_code, 0);
  EXPECT_EQ(to_lrc.out, "Wrote '" + dir.File("song.lrc") + "'\n");
  const auto missing = testsupport::Run(Program() + " --lrc-to-kok " + ShellQuote(dir.File("none.lrc")) + " 2>&1");
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.out.find("none.lrc"), std::string::npos);
  EXPECT_EQ(testsupport::Run(Program() + " --kok-to-lrc 2>/dev/null").exit_code, 2);
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

TEST(Program, A48kHzMp3PlaysAt48000LikeMpg123AndATypoInTheSettingsDoesNotMuteIt) {
  if (!testsupport::HaveTool("lame") || !testsupport::HaveTool("mpg123"))
    GTEST_SKIP() << "needs lame and mpg123";
  TempDir dir;
  MakeTone(dir.File("in.wav"), "-r 48000 -c 2", "synth 1.7 sine 440 sine 15000");
  const std::string song = dir.File("song.mp3");
  ASSERT_EQ(testsupport::Run("lame --quiet -b 192 " + ShellQuote(dir.File("in.wav")) + " " +
                             ShellQuote(song))
                .exit_code,
            0);
  const std::string reference = testsupport::Run("mpg123 -q -s " + ShellQuote(song)).out;
  ASSERT_FALSE(reference.empty());
  // The user data folder is empty: the defaults decide.
  const std::string out = dir.File("out.wav");
  auto result = testsupport::Run(Env(dir, "file:" + out) + Program() + " " + ShellQuote(song));
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("48000Hz"), std::string::npos) << result.out;
  EXPECT_EQ(testsupport::Run("soxi -r " + ShellQuote(out)).out, "48000\n");
  EXPECT_TRUE(RawSamples(out) == reference);

  // A volume that is no number keeps unity gain and is named once on standard error.
  std::filesystem::create_directories(dir.File("home"));
  testsupport::WriteTextFile(dir.File("home/Tunewright.cfg"), "[AUDIO]\nVOLUME=abc\n");
  const std::string again = dir.File("again.wav");
  result = testsupport::Run(Env(dir, "file:" + again) + Program() + " " + ShellQuote(song) + " 2>" +
                            ShellQuote(dir.File("err.txt")));
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(testsupport::ReadTextFile(dir.File("err.txt")),
            dir.File("home/Tunewright.cfg") + ":2: VOLUME: 'abc' is not a number\n");
  EXPECT_TRUE(RawSamples(again) == reference);
}
