#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <sstream>

#include "SettingsTestGroups.h"
#include "settings/SettingsFile.h"
#include "support/TestSupport.h"

using testsupport::ReadTextFile;
using testsupport::TempDir;
using testsupport::WriteTextFile;

namespace {

const std::string kEmptyPen(64, '0');

std::string Pens(std::initializer_list<const char*> names) {
  std::string text;
  for (const char* name : names) text += std::string(name) + "_PEN=" + kEmptyPen + "\n";
  return text;
}

std::string MpegSection(const char* name) {
  return std::string("[") + name +
         "]\nMONO_FREQ_MAX=48000\nMONO_QUALITY=2\nSTEREO_FREQ_MAX=48000\nSTEREO_QUALITY=2\n"
         "MONO_FORCED=OFF\n";
}

// The whole default document, written out from the catalogue's tables.
std::string DefaultDocument() {
  return "[AUDIO]\nFILTER=OFF\nEXPAND=OFF\nBOOST=OFF\nVOLUME=64\nBALANCE=0\nBASS_TREBLE=OFF\n"
         "BASS=0\nTREBLE=0\nDEVICE=0\nMODE_ID=0x0\nMODE_NAME=\nMIXING_MODE=0\n"
         "MIXING_FREQ=28000\nLIMIT_FREQ=11025\nBUFFER_TIME=500\nPRIORITY=9\nREPLAYGAIN=0\n"
         "REPLAYGAIN_PREAMP=0\n\n" +
         MpegSection("MPEG2") + "\n" + MpegSection("MPEG3") +
         "\n[KARAOKE]\nADVANCE_TIME=500\nLINES=1\nWINDOW_OPENED=OFF\nPATH=\nFONT1=\nFONT2=\n"
         "PATH_HAS_PRIORITY=OFF\nIMAGE_DISPLAY=OFF\nFULL_SCREEN=OFF\nSCREEN_FONT=\n\n"
         "[LEVELS]\nMETER_TYPE=0\nGAUGE_TYPE=1\nSPECTRUM_TYPE=0\nCPU_USAGE=OFF\n"
         "WINDOW_OPENED=OFF\nPRIORITY=-1\nREFRESH_DELAY=1\n" +
         Pens({"METER_BACK", "METER_NEEDLE", "METER_SCALE", "GAUGE_BACK", "GAUGE_BODY", "GAUGE_TOP",
               "SPECTRUM_BACK", "SPECTRUM_BODY", "SPECTRUM_TOP"}) +
         "SIZEABLE_WINDOW=ON\nFIXED_LEVELS=OFF\n\n"
         "[DISPLAY]\nFILE_LIST=ON\nARTIST_ALBUM=ON\nFILE_FORMAT=ON\nFILE_COMMENT=ON\n"
         "VOLUME_BALANCE=ON\nBASS_TREBLE=ON\nTIME_SLIDER=ON\nSIZEABLE_WINDOW=ON\n"
         "PLAYLIST_WINDOW=OFF\nLIST_PATTERN=%A - %a %t\n\n"
         "[BUTTONS]\nSHRINK=ON\nOPTIONS=ON\nPREV_NEXT=ON\nBACK_FORWARD=ON\nPAUSE=ON\nFILTER=ON\n"
         "EXPAND=ON\nRECORD=ON\nRANDOM=ON\nINTRO=ON\nLOOP=ON\nCDDA=ON\n\n"
         "[MAIN]\nINTER_FILE=0\nAUTO_PLAY=ON\nFILE_DRAWER=\nFILE_PATTERN=#?\n"
         "PLAYLIST_PATTERN=#?.plst\nINITIAL_FILE=\nRANDOM=OFF\nINTRO=OFF\nINTRO_DURATION=10\n"
         "LOOP=OFF\n\n"
         "[AUDIO_BASE]\nWINDOW_OPENED=OFF\nFILEPATH=PROGDIR:Tunewright.aub\n\n"
         "[FILE]\nBUFFER_SIZE=32\nLOAD_IN_RAM=OFF\nUSE_XPK=OFF\nUSE_ASYNCIO=ON\n\n"
         "[CDDA]\nDEVICE=ide.device\nUNIT=1\nCD_TITLES=\nMETHOD=0\nNOTIFY_CHANGES=OFF\n";
}

// Saves in a child whose file-size limit is far below the document, as a full
// disk would refuse it; returns the child's verdict.
bool SaveWithSizeLimit(const std::string& path, rlim_t limit) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &rl);
    ::_exit(settings::Settings_Save(path) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

using SettingsFile = SettingsGroupsTest;

TEST_F(SettingsFile, NoFileKeepsDefaultsAndSaveWritesTheWholeDefaultDocument) {
  TempDir dir;
  const std::string path = dir.File("sub/Tunewright.cfg");
  EXPECT_FALSE(settings::Settings_Load(path));
  EXPECT_EQ(settings::Mpeg().Fetch().layer3.mono_freq_max, 48000u);
  ASSERT_TRUE(settings::Settings_Save(path));
  EXPECT_EQ(ReadTextFile(path), DefaultDocument());
  // Loading what was saved and saving again changes nothing.
  ASSERT_TRUE(settings::Settings_Load(path));
  ASSERT_TRUE(settings::Settings_Save(path));
  EXPECT_EQ(ReadTextFile(path), DefaultDocument());
}

TEST_F(SettingsFile, HandWrittenFileReachesTheGroups) {
  TempDir dir;
  const std::string path = dir.File("t.cfg");
  WriteTextFile(path,
                "VOLUME=10\n"
                "[audio]\r\n"
                "Volume = 100\r\n"
                "MODE_NAME=hw:0,0\r\n"
                "[Audio]\n"
                "balance=-20\n"
                "FILTER=on\n"
                "[ AUDIO ]\n"
                "BASS=5\n"
                "[MPEG3]\n"
                "mono_quality=1\n"
                "STEREO_FREQ_MAX=44100\n"
                "[main]\n"
                "FILE_PATTERN=\n"
                "PLAYLIST_PATTERN=#?.m3u ; kept\n"
                "INTRO_DURATION=030\n"
                "RANDOM=ON\r\n"
                "[LEVELS]\n"
                "METER_BACK_PEN=ABC\n"
                "[buttons]\n"
                "CDDA=0\n");
  ASSERT_TRUE(settings::Settings_Load(path));
  const settings::AudioSettings& audio = settings::Audio();
  EXPECT_EQ(audio.volume, 100);
  EXPECT_EQ(audio.mode_name, "hw:0,0\r");
  EXPECT_EQ(audio.balance, -20);
  EXPECT_EQ(audio.filter, 1);
  EXPECT_EQ(audio.bass, 0);
  const settings::MpegSettings mpeg = settings::Mpeg().Fetch();
  EXPECT_EQ(mpeg.layer3.mono_quality, 1u);
  EXPECT_EQ(mpeg.layer12.mono_freq_max, 48000u);
  EXPECT_EQ(mpeg.layer3.stereo_freq_max, 44100u);  // a stored limit stays
  const settings::MainSettings main = settings::Main().Fetch();
  EXPECT_EQ(main.file_pattern, "#?");
  EXPECT_EQ(main.playlist_pattern, "#?.m3u ; kept");
  EXPECT_EQ(main.intro_duration, 24);  // octal
  EXPECT_EQ(main.random, 0);           // "ON\r" parses to 0
  EXPECT_EQ(main.cdda, 0);
  EXPECT_EQ(main.shrink, 1);
  const settings::LevelsSettings levels = settings::Levels().Fetch();
  EXPECT_EQ(levels.meter_back_pen[0], 0xAB);
  EXPECT_EQ(levels.meter_back_pen[1], 0x00);
}

TEST_F(SettingsFile, HandEditedValuesAreClampedWhenApplied) {
  TempDir dir;
  const std::string path = dir.File("t.cfg");
  WriteTextFile(path,
                "[AUDIO]\nVOLUME=1000\nBALANCE=-65\nBASS=-99\nTREBLE=21\nPRIORITY=-20\n"
                "REPLAYGAIN=3\nREPLAYGAIN_PREAMP=-16\n"
                "MIXING_FREQ=0\nBUFFER_TIME=0\n"
                "[MPEG2]\nMONO_FREQ_MAX=0\nSTEREO_QUALITY=7\n"
                "[KARAOKE]\nLINES=0\nADVANCE_TIME=-5\n"
                "[LEVELS]\nREFRESH_DELAY=0\nPRIORITY=100\nGAUGE_TYPE=9\n"
                "[MAIN]\nINTER_FILE=99\nINTRO_DURATION=0\n"
                "[FILE]\nBUFFER_SIZE=100000\n"
                "[CDDA]\nUNIT=16\nMETHOD=-1\n");
  settings::LevelsSettings told{};
  settings::Levels().SetListener([&told](const settings::LevelsSettings& l) { told = l; });
  ASSERT_TRUE(settings::Settings_Load(path));
  settings::Levels().SetListener(nullptr);
  const settings::AudioSettings& audio = settings::Audio();
  EXPECT_EQ(audio.volume, 256);
  EXPECT_EQ(audio.balance, -64);
  EXPECT_EQ(audio.bass, -20);
  EXPECT_EQ(audio.treble, 20);
  EXPECT_EQ(audio.priority, -9);
  EXPECT_EQ(audio.replaygain, 2);
  EXPECT_EQ(audio.replaygain_preamp, -15);
  EXPECT_EQ(audio.mixing_freq, 4000u);
  EXPECT_EQ(audio.buffer_time, 50u);
  EXPECT_EQ(settings::Mpeg().Fetch().layer12.mono_freq_max, 4000u);
  EXPECT_EQ(settings::Mpeg().Fetch().layer12.stereo_quality, 2u);
  EXPECT_EQ(settings::Karaoke().Fetch().lines, 1);
  EXPECT_EQ(settings::Karaoke().Fetch().advance_time, 0);
  EXPECT_EQ(told.refresh_delay, 1);  // the consumer sees the clamped record
  EXPECT_EQ(told.priority, 9);
  EXPECT_EQ(told.gauge_type, 2);
  EXPECT_EQ(settings::Main().Fetch().inter_file, 5);
  EXPECT_EQ(settings::Main().Fetch().intro_duration, 1);
  EXPECT_EQ(settings::File().Fetch().buffer_size, 256u);
  EXPECT_EQ(settings::Cdda().Fetch().unit, 15);
  EXPECT_EQ(settings::Cdda().Fetch().method, 0);

  // A valid file comes through unchanged.
  WriteTextFile(path,
                "[AUDIO]\nVOLUME=256\nBALANCE=64\nPRIORITY=-9\nBUFFER_TIME=30000\n"
                "[LEVELS]\nREFRESH_DELAY=4\n[KARAOKE]\nLINES=2\n");
  ASSERT_TRUE(settings::Settings_Load(path));
  EXPECT_EQ(settings::Audio().volume, 256);
  EXPECT_EQ(settings::Audio().balance, 64);
  EXPECT_EQ(settings::Audio().priority, -9);
  EXPECT_EQ(settings::Audio().buffer_time, 30000u);
  EXPECT_EQ(settings::Levels().Fetch().refresh_delay, 4);
  EXPECT_EQ(settings::Karaoke().Fetch().lines, 2);
}

TEST_F(SettingsFile, ValuesThatAreNoNumbersKeepTheDefaultAndAreReported) {
  TempDir dir;
  const std::string path = dir.File("Tunewright.cfg");
  WriteTextFile(path,
                "[AUDIO]\n"
                "VOLUME=abc\n"
                "BALANCE= -\n"
                "BASS=3  \r\n"
                "TREBLE=-0x2 junk\n"
                "MODE_ID=zz\r\n"
                "MIXING_FREQ=96000\n"
                "[LEVELS]\n"
                "PRIORITY=+\n"
                "[KARAOKE]\n"
                "LINES=7\n");
  std::ostringstream warnings;
  ASSERT_TRUE(settings::Settings_Load(path, warnings));
  const settings::AudioSettings& audio = settings::Audio();
  EXPECT_EQ(audio.volume, 64);  // not muted by the typo
  EXPECT_EQ(audio.balance, 0);
  EXPECT_EQ(audio.bass, 3);     // trailing blanks and CR are no typo
  EXPECT_EQ(audio.treble, -2);  // digits first: a number
  EXPECT_EQ(audio.mode_id, 0u);
  EXPECT_EQ(audio.mixing_freq, 48000u);
  EXPECT_EQ(settings::Levels().Fetch().priority, -1);
  EXPECT_EQ(settings::Karaoke().Fetch().lines, 2);
  EXPECT_EQ(warnings.str(), path + ":2: VOLUME: 'abc' is not a number\n" + path +
                                ":3: BALANCE: '-' is not a number\n" + path +
                                ":6: MODE_ID: 'zz' is not a number\n" + path +
                                ":7: MIXING_FREQ: '96000' is out of range, 48000 is used\n" + path +
                                ":9: PRIORITY: '+' is not a number\n" + path +
                                ":11: LINES: '7' is out of range, 2 is used\n");

  // A clean file (and the default document) is loaded without a word.
  ASSERT_TRUE(settings::Settings_Save(path));
  warnings.str("");
  ASSERT_TRUE(settings::Settings_Load(path, warnings));
  EXPECT_EQ(warnings.str(), "");
}

TEST_F(SettingsFile, HighModeIdsAndLongTextsSurviveSaveAndLoad) {
  TempDir dir;
  const std::string path = dir.File("t.cfg");
  const std::string long_drawer = "/music/" + std::string(600, 'd');
  settings::Audio().mode_id = 0x80000001u;
  auto main = settings::Main().Fetch();
  main.file_drawer = long_drawer;
  settings::Main().Apply(main);
  auto levels = settings::Levels().Fetch();
  for (size_t i = 0; i < levels.gauge_top_pen.size(); ++i)
    levels.gauge_top_pen[i] = static_cast<uint8_t>(255 - i);
  settings::Levels().Apply(levels);
  ASSERT_TRUE(settings::Settings_Save(path));

  ResetAll();
  ASSERT_TRUE(settings::Settings_Load(path));
  EXPECT_EQ(settings::Audio().mode_id, 0x80000001u);
  EXPECT_EQ(settings::Main().Fetch().file_drawer, long_drawer);
  EXPECT_EQ(settings::Levels().Fetch().gauge_top_pen, levels.gauge_top_pen);
}

TEST_F(SettingsFile, FailedSaveKeepsTheOldFileByteForByte) {
  TempDir dir;
  const std::string path = dir.File("Tunewright.cfg");
  const std::string old_contents = "[AUDIO]\r\nVOLUME=12\r\n; hand-written\n";
  WriteTextFile(path, old_contents);
  EXPECT_FALSE(SaveWithSizeLimit(path, 512));
  EXPECT_EQ(ReadTextFile(path), old_contents);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);
  EXPECT_TRUE(SaveWithSizeLimit(path, 1 << 20));
  EXPECT_EQ(ReadTextFile(path), DefaultDocument());
}

TEST_F(SettingsFile, DefaultPathIsInTheUserDataFolder) {
  TempDir dir;
  ::setenv("TUNEWRIGHT_HOME", dir.path().c_str(), 1);
  EXPECT_EQ(settings::Settings_DefaultPath(), dir.path() + "/Tunewright.cfg");
  ::unsetenv("TUNEWRIGHT_HOME");
}
