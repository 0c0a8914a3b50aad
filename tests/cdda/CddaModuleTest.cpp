// The CD format module over disc images: which names are tracks, playing and
// seeking, titles, disc-change polling and the command-line expansion.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <thread>

#include "CdImages.h"
#include "cdda/CdCommandLine.h"
#include "cdda/CdPoller.h"
#include "cdda/CdTitleEdit.h"
#include "cdda/Cdda.h"
#include "cdda/DiscKey.h"
#include "decoders/Decoders.h"
#include "platform/Utf8.h"
#include "settings/SettingsGroups.h"

using namespace cdda;
using namespace cdtest;
using decoders::TrackInfo;

namespace {

int Probe(TrackInfo& track, const std::string& path) {
  track = TrackInfo{};
  track.path = path;
  const uint8_t header[4] = {};
  return decoders::kCddaDecoder.probe(nullptr, header, 0, &track);
}

// Saves in a child whose file-size limit is below the new file, as a full disk would.
bool SaveWithSizeLimit(const CDTitles& titles, rlim_t limit) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &rl);
    ::_exit(CDDA_SaveTitles(titles) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(CddaModule, OnlyPseudoPathsOfTheDiscInTheDriveAreTracks) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const DiscImage disc = MakeDisc(dir, "probe", {{false, 0, 30}, {true, 0.4, 0}, {true, 0.5, 0}});
  UseDrive(disc.cue, dir.path());
  const std::string key = ExpectedKey(disc);
  TrackInfo track;
  ASSERT_TRUE(Probe(track, key + "-03"));
  EXPECT_EQ(track.path, key + "-03");
  EXPECT_STREQ(track.title, (key + "-03").c_str());
  EXPECT_STREQ(track.type_text, "CDDA");
  EXPECT_EQ(track.format_tag, decoders::kTagCdTrack);
  EXPECT_EQ(track.frequency, 44100);
  EXPECT_EQ(track.bits, 16);
  EXPECT_EQ(track.data_start[0], disc.starts[2]);
  EXPECT_EQ(track.data_start[1], disc.leadout - 1);
  EXPECT_EQ(track.length, int32_t((disc.leadout - disc.starts[2]) * 588));

  const std::string not_tracks[] = {dir.File("missing.wav"),
                                    "Take-5.mp3",
                                    "ID" + key.substr(2, 13),
                                    key + "-",
                                    key + "-123",
                                    key + "-1x",
                                    key + "-04",
                                    key + "-01",
                                    key + "-00",
                                    key + "/../x",
                                    "id" + key.substr(2) + "-02",
                                    key.substr(0, 15) + "g-02"};
  for (const std::string& path : not_tracks) EXPECT_FALSE(Probe(track, path)) << path;

  // A name without a track number means the first track: here a data track.
  EXPECT_FALSE(Probe(track, key));
  // Another disc's track identifies, keeps its own key and does not open.
  const std::string other = "ID0300ABCD00EF01-02";
  ASSERT_TRUE(Probe(track, other));
  EXPECT_EQ(track.path, other);
  EXPECT_EQ(track.open(&track), 0);
  ASSERT_TRUE(Probe(track, key + "-2"));
  EXPECT_EQ(track.path, key + "-02");
  EXPECT_EQ(track.open(&track), 1);
  track.close();
}

TEST(CddaModule, DecodeDeliversWholeSectorsAndSeekClampsToTheTrack) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const DiscImage disc = MakeDisc(dir, "seek", {{false, 0, 1000}, {true, 3.0, 0}});
  UseDrive(disc.cue, dir.path());
  TrackInfo track;
  ASSERT_TRUE(Probe(track, ExpectedKey(disc) + "-02"));
  ASSERT_EQ(track.data_start[0], 1000u);
  ASSERT_TRUE(track.open(&track));
  std::vector<int16_t> left(8192), right(8192);
  EXPECT_EQ(track.decode(left.data(), right.data(), 8192, 0.1), 4116);
  EXPECT_DOUBLE_EQ(track.position(), 7 * 588 / 44100.0);            // fractions of a second kept
  EXPECT_EQ(track.decode(left.data(), right.data(), 500, 0.1), 0);  // less than a sector
  EXPECT_DOUBLE_EQ(track.seek(2.0), 2.0);                           // sector 1150
  const uint32_t sectors = disc.leadout - 1000;
  EXPECT_DOUBLE_EQ(track.seek(-4.0), 0.0);
  EXPECT_DOUBLE_EQ(track.seek(NAN), 0.0);
  EXPECT_DOUBLE_EQ(track.seek(1e300), (sectors - 1) * 588 / 44100.0);
  EXPECT_EQ(track.decode(left.data(), right.data(), 8192, 0.1), 588);  // the last sector
  EXPECT_EQ(track.decode(left.data(), right.data(), 8192, 0.1), 0);
  const std::vector<uint8_t>& bytes = disc.track_bytes[1];
  const size_t last = bytes.size() - 2352;
  EXPECT_EQ(left[1], int16_t(bytes[last + 4] | bytes[last + 5] << 8));
  EXPECT_EQ(right[1], int16_t(bytes[last + 6] | bytes[last + 7] << 8));
  track.close();
  EXPECT_EQ(track.position(), 0.0);
}

TEST(CddaModule, TitlesRoundTripThroughTheTitleFile) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  std::vector<TrackSpec> layout = AudioTracks(9, 0.1);
  layout.insert(layout.begin(), TrackSpec{false, 0, 20});
  const DiscImage disc = MakeDisc(dir, "titles", layout);
  UseDrive(disc.cue, dir.path());
  std::string key;
  auto tracks = CDDA_ListTracks(&key);
  ASSERT_EQ(tracks.size(), 9u);
  EXPECT_STREQ(tracks[0]->title, "");
  EXPECT_STREQ(tracks[0]->comment, "");

  CDTitles titles = CDDA_GetTitles();
  EXPECT_EQ(titles.disc_key, key);
  platform::CopyField(titles.artist, "Ärtist\nname");
  platform::CopyField(titles.album, "Album");
  platform::CopyField(titles.titles[2], "One\rTwo");
  platform::CopyField(titles.titles[10], std::string(30, 'x') + "éééééé");
  ASSERT_TRUE(CDDA_SaveTitles(titles));
  EXPECT_EQ(
      testsupport::ReadTextFile(dir.File(key)),
      "Ärtist name\nAlbum\n\nOne Two\n" + std::string(7, '\n') + std::string(30, 'x') + "éééé\n");

  tracks = CDDA_ListTracks(&key);
  EXPECT_STREQ(tracks[0]->artist, "Ärtist name");
  EXPECT_STREQ(tracks[0]->title, "One Two");
  EXPECT_EQ(tracks[0]->comment, key + "-02");
  EXPECT_STREQ(tracks[1]->title, "");
  EXPECT_EQ(std::string(tracks[8]->title), std::string(30, 'x') + "éééé");

  // A file of two lines gives artist and album only; a long line is cut whole.
  testsupport::WriteTextFile(dir.File(key), "A\r\n" + std::string(60, 'b') + "\n");
  tracks = CDDA_ListTracks(&key);
  EXPECT_STREQ(tracks[0]->artist, "A");
  EXPECT_EQ(std::string(tracks[0]->album), std::string(39, 'b'));
  EXPECT_STREQ(tracks[0]->title, "");

  // A save that cannot be completed fails and leaves the old file.
  const std::string before = testsupport::ReadTextFile(dir.File(key));
  EXPECT_FALSE(SaveWithSizeLimit(titles, 8));
  EXPECT_EQ(testsupport::ReadTextFile(dir.File(key)), before);
  EXPECT_TRUE(SaveWithSizeLimit(titles, 1 << 20));
}

// The editor's copy: only the disc in the drive, the path's track (or the
// first), tracks and fields kept within what the disc and the file hold.
TEST(CddaModule, TitleEditWorksOnTheDiscInTheDriveOnly) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const DiscImage a = MakeDisc(dir, "a", AudioTracks(3, 0.1));
  const DiscImage b = MakeDisc(dir, "b", AudioTracks(4, 0.1));
  UseDrive(a.cue, dir.path());
  const std::string key = ExpectedKey(a);
  EXPECT_FALSE(CdTitleEdit::ForTrack(ExpectedKey(b) + "-01"));
  EXPECT_FALSE(CdTitleEdit::ForTrack("song.wav"));
  EXPECT_EQ(CdTitleEdit::ForTrack(key)->Track(), 1);
  std::optional<CdTitleEdit> edit = CdTitleEdit::ForTrack(key + "-02");
  ASSERT_TRUE(edit);
  EXPECT_EQ(edit->Track(), 2);
  edit->SelectTrack(50);
  EXPECT_EQ(edit->Track(), 3);
  edit->SetTitle("Third");
  edit->SetArtist(std::string(60, 'a'));
  EXPECT_EQ(edit->Artist(), std::string(39, 'a'));
  EXPECT_TRUE(CDDA_GetTitles().titles[3][0] == 0);  // nothing shared before Save
  ASSERT_TRUE(edit->Save());
  EXPECT_EQ(testsupport::ReadTextFile(edit->FilePath()), std::string(39, 'a') + "\n\n\n\nThird\n");
  EXPECT_STREQ(CDDA_GetTitles().titles[3], "Third");
}

TEST(CddaModule, CueSheetTextsNameTheTracksUntilATitleFileExists) {
  testsupport::TempDir dir;
  const DiscImage disc = MakeDisc(dir, "texts", AudioTracks(3, 0.1));
  std::string cue = testsupport::ReadTextFile(disc.cue);
  cue = "REM GENRE Jazz\r\nPERFORMER \"The Band\"\r\nTITLE \"Live \xE0 Paris\"\r\n" + cue;
  const auto after = [&cue](const std::string& line, const std::string& texts) {
    cue.insert(cue.find(line) + line.size(), texts);
  };
  after("TRACK 01 AUDIO\n", "    TITLE \"Opening \"\n");
  after("TRACK 02 AUDIO\n", "    TITLE Second song\n    PERFORMER \"A Guest\"\n");
  testsupport::WriteTextFile(disc.cue, cue);
  UseDrive(disc.cue, dir.path());

  std::string key;
  auto tracks = CDDA_ListTracks(&key);
  ASSERT_EQ(tracks.size(), 3u);
  EXPECT_STREQ(tracks[0]->title, "Opening ");
  EXPECT_STREQ(tracks[0]->artist, "The Band");
  EXPECT_STREQ(tracks[0]->album, "Live \u00E0 Paris");  // a Latin-1 sheet read as such
  EXPECT_STREQ(tracks[1]->title, "Second song");
  EXPECT_STREQ(tracks[1]->artist, "A Guest");
  EXPECT_STREQ(tracks[2]->title, "");
  EXPECT_STREQ(tracks[2]->artist, "The Band");
  TrackInfo probed;
  ASSERT_EQ(Probe(probed, key + "-02"), 1);
  EXPECT_STREQ(probed.title, "Second song");
  EXPECT_STREQ(probed.album, "Live \u00E0 Paris");
  EXPECT_EQ(std::string(CDDA_GetTitles().album), "Live \u00E0 Paris");

  // The user's own titles win once saved.
  testsupport::WriteTextFile(dir.File(key), "Mine\nAlbum\nFirst\n");
  tracks = CDDA_ListTracks(&key);
  EXPECT_STREQ(tracks[0]->title, "First");
  EXPECT_STREQ(tracks[1]->title, "");
  EXPECT_STREQ(tracks[1]->artist, "Mine");
}

TEST(CddaModule, PollingReportsRemovalAndNewDiscsOnce) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const DiscImage a = MakeDisc(dir, "a", AudioTracks(2, 0.2));
  const DiscImage b = MakeDisc(dir, "b", AudioTracks(3, 0.2));
  const std::string slot = dir.File("drive.cue");
  std::filesystem::copy_file(a.cue, slot);
  UseDrive(slot, dir.path(), false);
  std::string key;
  ASSERT_EQ(CDDA_ListTracks(&key).size(), 2u);
  std::filesystem::remove(slot);
  EXPECT_EQ(CDDA_PollDisc(), 0);  // polling switched off
  std::filesystem::copy_file(a.cue, slot);
  UseDrive(slot, dir.path(), true);
  std::vector<int> seen;
  seen.push_back(CDDA_PollDisc());
  std::filesystem::remove(slot);
  seen.push_back(CDDA_PollDisc());
  std::filesystem::copy_file(b.cue, slot);
  seen.push_back(CDDA_PollDisc());
  seen.push_back(CDDA_PollDisc());
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 0}));
  EXPECT_EQ(CDDA_GetTitles().disc_key, ExpectedKey(b));
}

TEST(CddaModule, PollingWhileATrackPlays) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const DiscImage disc = MakeDisc(dir, "busy", AudioTracks(2, 2.0));
  UseDrive(disc.cue, dir.path(), true);
  std::string key;
  ASSERT_EQ(CDDA_ListTracks(&key).size(), 2u);
  std::vector<uint8_t> played;
  std::thread player([&] { played = DecodeWhole(key + "-02"); });
  int changes = 0;
  for (int i = 0; i < 20; ++i) changes += CDDA_PollDisc();
  player.join();
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(played, disc.track_bytes[1]);
}

TEST(CddaModule, CommandLineNamesOfDiscs) {
  TW_REQUIRE_TOOLS("sox");
  testsupport::TempDir dir;
  const DiscImage disc = MakeDisc(dir, "cli", AudioTracks(3, 0.2));
  testsupport::WriteTextFile(dir.File("song.wav"), "RIFF");
  EXPECT_TRUE(CDDA_IsDiscName(disc.cue));
  EXPECT_TRUE(CDDA_IsDiscName("/dev/null"));
  EXPECT_FALSE(CDDA_IsDiscName(dir.File("song.wav")));
  EXPECT_FALSE(CDDA_IsDiscName(dir.File("missing.cue")));
  EXPECT_FALSE(CDDA_IsDiscName(dir.path()));
  testsupport::WriteTextFile(disc.cue, "PERFORMER \"Named\"\n" + testsupport::ReadTextFile(disc.cue));
  UseDrive("ide.device", dir.path());
  const auto tracks = CDDA_ExpandDiscName(disc.cue);
  ASSERT_EQ(tracks.size(), 3u);
  EXPECT_EQ(tracks[2]->path, ExpectedKey(disc) + "-03");
  EXPECT_STREQ(tracks[2]->artist, "Named");  // the named disc's own sheet
  EXPECT_EQ(DecodeWhole(tracks[2]->path), disc.track_bytes[2]);
  // The disc holds for this run only: the saved settings keep the user's drive,
  // and a drive chosen later in the options window wins over the named disc.
  EXPECT_EQ(settings::Cdda().Fetch().device, "ide.device");
  UseDrive(dir.File("elsewhere.cue"), dir.path());
  std::string key;
  EXPECT_TRUE(CDDA_ListTracks(&key).empty());
}

TEST(CddaModule, PollerHandsBackChangesWithTheNewDiscsTracks) {
  testsupport::TempDir dir;
  const DiscImage a = MakeDisc(dir, "a", AudioTracks(2, 0.2));
  const DiscImage b = MakeDisc(dir, "b", AudioTracks(3, 0.2));
  const std::string slot = dir.File("drive.cue");
  std::filesystem::copy_file(a.cue, slot);
  UseDrive(slot, dir.path(), true);
  CdPoller poller;
  const auto poll_once = [&poller] {
    EXPECT_TRUE(poller.Request());
    pollfd ready{poller.ReadyFd(), POLLIN, 0};
    EXPECT_EQ(::poll(&ready, 1, 20000), 1);
    EXPECT_FALSE(poller.Request());  // a result not taken yet holds further polls back
    std::optional<DiscChange> change = poller.TakeResult();
    EXPECT_FALSE(poller.TakeResult());
    return change ? std::move(*change) : DiscChange{};
  };
  std::string key;
  ASSERT_EQ(CDDA_ListTracks(&key).size(), 2u);
  EXPECT_EQ(poll_once().kind, DiscChange::kNone);
  std::filesystem::remove(slot);
  EXPECT_EQ(poll_once().kind, DiscChange::kRemoved);
  std::filesystem::copy_file(b.cue, slot);
  const DiscChange change = poll_once();  // a disc into an empty drive is a new one
  EXPECT_EQ(change.kind, DiscChange::kNewDisc);
  EXPECT_EQ(change.key, ExpectedKey(b));
  ASSERT_EQ(change.tracks.size(), 3u);
  EXPECT_EQ(change.tracks[2]->path, ExpectedKey(b) + "-03");
}
