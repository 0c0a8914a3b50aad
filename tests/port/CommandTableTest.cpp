#include <gtest/gtest.h>

#include <sstream>

#include "FakePlayer.h"
#include "port/CommandTable.h"
#include "support/TestSupport.h"

namespace {

using player::Button;
using player::PlayState;
using port::CommandTable;
using porttest::FakePlayer;

class CommandTableTest : public ::testing::Test {
 protected:
  std::string Reply(const std::string& line) { return port::FormatReply(table.Execute(line)); }
  void LoadThreeSongs() {
    fake.songs = {{"One", "Ann", 3600}, {"Two", "Bob", 120}, {"Three", "Cy", 5}};
  }
  FakePlayer fake;
  std::ostringstream unknown;
  CommandTable table{fake, unknown};
};

TEST_F(CommandTableTest, VolumeChoosesRangeThenClampsIntoIt) {
  const struct {
    const char* line;
    int level, range;
  } cases[] = {{"volume 64", 64, 64},    {"volume 100", 100, 128}, {"VOLUME 128", 128, 128},
               {"volume 300", 256, 256}, {"volume -5", 0, 64},     {"volume LEVEL=7", 7, 64}};
  for (const auto& [line, level, range] : cases) {
    EXPECT_EQ(Reply(line), "RC=0") << line;
    EXPECT_EQ(fake.volume, level) << line;
    EXPECT_EQ(fake.volume_range, range) << line;
  }
  EXPECT_EQ(port::VolumeRangeFor(64), 64);
  EXPECT_EQ(port::VolumeRangeFor(65), 128);
  EXPECT_EQ(port::VolumeRangeFor(129), 256);
  // Numbers beyond 32 bits and missing numbers change nothing.
  EXPECT_EQ(Reply("volume 99999999999"), "RC=10");
  EXPECT_EQ(Reply("volume loud"), "RC=10");
  EXPECT_EQ(Reply("volume"), "RC=5");
  EXPECT_EQ(fake.volume, 7);
  EXPECT_EQ(Reply("get_volume"), "RC=0 RESULT=7");
  EXPECT_EQ(Reply("balance -100"), "RC=0");
  EXPECT_EQ(Reply("bass 3"), "RC=0");
  EXPECT_EQ(Reply("treble 2147483647"), "RC=0");
  EXPECT_EQ(Reply("get_balance"), "RC=0 RESULT=-64");
  EXPECT_EQ(Reply("get_bass"), "RC=0 RESULT=3");
  EXPECT_EQ(Reply("get_treble"), "RC=0 RESULT=20");
  EXPECT_EQ(Reply("get_replaygain"), "RC=0 RESULT=OFF");
  EXPECT_EQ(Reply("replaygain album"), "RC=0");
  EXPECT_EQ(fake.replaygain, 2);
  EXPECT_EQ(Reply("replaygain loud"), "RC=10");
  EXPECT_EQ(Reply("replaygain"), "RC=10");
  EXPECT_EQ(Reply("REPLAYGAIN MODE=Track"), "RC=0");
  EXPECT_EQ(Reply("get_replaygain"), "RC=0 RESULT=TRACK");
}

TEST_F(CommandTableTest, StateArgumentsDriveButtons) {
  EXPECT_EQ(port::ParseStateArg(""), port::StateArg::kOn);
  EXPECT_EQ(port::ParseStateArg(" off "), port::StateArg::kOff);
  EXPECT_EQ(port::ParseStateArg("Toggle"), port::StateArg::kToggle);
  EXPECT_EQ(port::ParseStateArg("2"), port::StateArg::kToggle);
  EXPECT_EQ(port::ParseStateArg("1abc"), port::StateArg::kOn);
  EXPECT_EQ(port::ParseStateArg("abc"), port::StateArg::kOff);
  EXPECT_EQ(port::ParseStateArg("-1"), port::StateArg::kToggle);
  EXPECT_EQ(port::ParseStateArg("100000000000000000000001"), port::StateArg::kToggle);

  // Paused while stopped: the button is disabled, so nothing happens.
  EXPECT_EQ(Reply("pause"), "RC=5");
  EXPECT_EQ(fake.state, PlayState::kStopped);
  LoadThreeSongs();
  EXPECT_EQ(Reply("play"), "RC=0");
  EXPECT_EQ(Reply("pause"), "RC=0");
  EXPECT_EQ(Reply("get_state"), "RC=0 RESULT=PAUSE");
  EXPECT_EQ(Reply("pause TOGGLE"), "RC=0");
  EXPECT_EQ(Reply("pause toggle"), "RC=0");
  EXPECT_EQ(Reply("get_state"), "RC=0 RESULT=PAUSE");
  EXPECT_EQ(Reply("pause 2"), "RC=0");
  EXPECT_EQ(Reply("get_state"), "RC=0 RESULT=PLAY");
  for (const char* name : {"filter", "expand", "random", "intro", "loop", "iconify"}) {
    EXPECT_EQ(Reply(std::string(name) + " on"), "RC=0") << name;
    EXPECT_EQ(Reply(std::string(name) + " STATE=toggle"), "RC=0") << name;
  }
  EXPECT_FALSE(fake.IsButtonSelected(Button::kLoop));
  EXPECT_EQ(Reply("random"), "RC=0");
  EXPECT_TRUE(fake.IsButtonSelected(Button::kRandom));
}

TEST_F(CommandTableTest, TransportAndSelection) {
  EXPECT_EQ(Reply("get_selected"), "RC=0 RESULT=0");
  EXPECT_EQ(Reply("get_name"), "RC=0 RESULT=");
  EXPECT_EQ(Reply("get_duration"), "RC=0 RESULT=0");
  EXPECT_EQ(Reply("next"), "RC=5");
  EXPECT_EQ(Reply("seek 10"), "RC=5");
  EXPECT_EQ(Reply("speed 200"), "RC=5");
  LoadThreeSongs();
  EXPECT_EQ(Reply("select 1"), "RC=0");
  EXPECT_EQ(Reply("get_selected"), "RC=0 RESULT=1");
  EXPECT_EQ(Reply("next"), "RC=0");
  // The reply follows the effect: the name is already the next song's.
  EXPECT_EQ(Reply("get_name"), "RC=0 RESULT=Two");
  EXPECT_EQ(Reply("get_title"), "RC=0 RESULT=Two");
  EXPECT_EQ(Reply("get_artist"), "RC=0 RESULT=Bob");
  EXPECT_EQ(Reply("get_year"), "RC=0 RESULT=field8");
  EXPECT_EQ(Reply("get_filepath"), "RC=0 RESULT=field6");
  EXPECT_EQ(Reply("sel 3"), "RC=0");
  EXPECT_EQ(Reply("next"), "RC=5");
  EXPECT_EQ(Reply("prev"), "RC=0");
  EXPECT_EQ(Reply("select 0"), "RC=10");
  EXPECT_EQ(Reply("select -2147483648"), "RC=10");
  EXPECT_EQ(Reply("select 4"), "RC=5");
  EXPECT_EQ(Reply("select"), "RC=5");
  EXPECT_EQ(fake.row, 1);
  EXPECT_EQ(Reply("get_count"), "RC=0 RESULT=3");
  EXPECT_EQ(Reply("play extra"), "RC=10");
  EXPECT_EQ(Reply("stop"), "RC=0");
  EXPECT_EQ(Reply("get_state"), "RC=0 RESULT=STOP");
  EXPECT_EQ(Reply("clear"), "RC=0");
  EXPECT_EQ(Reply("get_count"), "RC=0 RESULT=0");
  EXPECT_EQ(Reply("close"), "RC=5");
  fake.quit_allowed = false;
  EXPECT_EQ(Reply("quit"), "RC=5");
}

TEST_F(CommandTableTest, NumbersOutsideTheirRanges) {
  LoadThreeSongs();
  Reply("play");
  EXPECT_EQ(Reply("seek 30.5"), "RC=0");
  EXPECT_DOUBLE_EQ(fake.position, 30.5);
  EXPECT_EQ(Reply("seek -50"), "RC=0");
  EXPECT_DOUBLE_EQ(fake.position, 0);
  EXPECT_EQ(Reply("seek 1e300"), "RC=0");
  EXPECT_DOUBLE_EQ(fake.position, 3600);
  for (const char* bad : {"seek nan", "seek inf", "seek 1e999", "seek", "seek 12abc", "speed inf",
                          "speed -nan", "speed fast"}) {
    EXPECT_EQ(Reply(bad), "RC=10") << bad;
  }
  EXPECT_DOUBLE_EQ(fake.position, 3600);
  EXPECT_EQ(Reply("speed 1e300"), "RC=0");
  EXPECT_EQ(Reply("get_speed"), "RC=0 RESULT=400.000");
  EXPECT_EQ(Reply("speed 33.25"), "RC=0");
  EXPECT_EQ(Reply("get_speed"), "RC=0 RESULT= 33.250");
}

TEST_F(CommandTableTest, TimesFollowTheTimeType) {
  fake.songs = {{"Long", "", 3725}};
  EXPECT_EQ(Reply("get_total"), "RC=0 RESULT=3725");
  EXPECT_EQ(Reply("time_type 1"), "RC=0");
  EXPECT_EQ(Reply("get_total"), "RC=0 RESULT=62:05");
  EXPECT_EQ(Reply("time_type 3"), "RC=0");
  EXPECT_EQ(Reply("get_total"), "RC=0 RESULT=01:02:05");
  EXPECT_EQ(Reply("get_cdlength"), "RC=0 RESULT=02:05");
  Reply("play");
  fake.position = 61.9;
  EXPECT_EQ(Reply("get_time"), "RC=0 RESULT=01:01");
  EXPECT_EQ(Reply("get_duration"), "RC=0 RESULT=01:02:05");
  EXPECT_EQ(Reply("time_type -7"), "RC=0");
  EXPECT_EQ(Reply("get_time"), "RC=0 RESULT=00:01:01");
}

TEST_F(CommandTableTest, UnknownCommandsAndEscapes) {
  EXPECT_EQ(Reply("frobnicate"), "RC=10");
  EXPECT_EQ(unknown.str(), "UNKNOWN REXX COMMAND [frobnicate]\n");
  unknown.str("");
  EXPECT_EQ(Reply(std::string("get_\0state\x1b[2J", 14)), "RC=10");
  EXPECT_EQ(unknown.str(), "UNKNOWN REXX COMMAND [get_\\x00state\\x1B[2J]\n");
  // Results cannot carry terminal sequences or split the reply line.
  EXPECT_EQ(Reply("get_cdid"), "RC=0 RESULT=cd\\x1B[31m");
  EXPECT_EQ(port::EscapeControls("a\\b\nc\x7f\xff"), "a\\\\b\\x0Ac\\x7F\xff");
  EXPECT_EQ(Reply("Get_State"), "RC=0 RESULT=STOP");
  EXPECT_EQ(Reply("get_state now"), "RC=10");
  EXPECT_EQ(Reply("volume LEVEL=1 BOGUS=2"), "RC=10");
}

TEST_F(CommandTableTest, OpenAndAddPassNamesThatExist) {
  testsupport::TempDir dir;
  const std::string a = dir.File("a.wav"), bc = dir.File("b c.wav"), list = dir.File("x.m3u");
  for (const std::string& name : {a, bc, list}) testsupport::WriteTextFile(name, "RIFF");
  EXPECT_EQ(Reply("add " + a), "RC=0");
  EXPECT_EQ(Reply("add \"" + bc + "\" NOPLAYLIST"), "RC=0");
  EXPECT_TRUE(fake.last_no_playlist);
  EXPECT_EQ(fake.added, (std::vector<std::string>{a, bc}));
  EXPECT_EQ(Reply("open " + list + " " + dir.path()), "RC=0");
  EXPECT_FALSE(fake.last_no_playlist);
  EXPECT_EQ(fake.added, (std::vector<std::string>{list, dir.path()}));

  // Names that do not exist are answered RC=10 and listed nowhere; when none
  // exists, "open" leaves the list alone.
  EXPECT_EQ(Reply("add " + dir.File("missing.wav") + " " + a), "RC=10");
  EXPECT_EQ(fake.added, (std::vector<std::string>{list, dir.path(), a}));
  EXPECT_EQ(Reply("open " + dir.File("gone.wav")), "RC=10");
  EXPECT_EQ(Reply("add \"\""), "RC=10");
  EXPECT_EQ(fake.added, (std::vector<std::string>{list, dir.path(), a}));
  // Blank lines are answered, never printed as unknown commands.
  EXPECT_EQ(Reply(""), "RC=10");
  EXPECT_EQ(Reply(" \t "), "RC=10");
  EXPECT_EQ(unknown.str(), "");
}

}  // namespace
