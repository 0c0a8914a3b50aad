// What the main window shows, as data: the current-song lines, the time display
// and the window title with its paused and stopped texts.
#include <algorithm>
#include <cstdio>

#include "decoders/Decoders.h"
#include "player/PlayerCore.h"
#include "settings/SettingsGroups.h"
#include "shell/Texts.h"

namespace player {
namespace {

settings::MainSettings MainGroup() { return settings::Main().Fetch(); }

constexpr int kTextSelectSong = 1;
constexpr int kTextFileNotAvailable = 2;
constexpr int kTextMono = 6032;
constexpr int kTextStereo = 6033;
constexpr int kTextSupportedFormats = 0;

// Ticks a state text stays in the title: the stop text for kStoppedTicks.
constexpr int kTitleCountdown = 20;
constexpr int kStoppedTicks = 9;

std::string TimedTitle(const char* what, int64_t seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%s %02lld:%02lld", what, static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

std::string FormatLine(const decoders::TrackInfo& t) {
  const std::string channels =
      t.mode_text[0] ? std::string(t.mode_text) : Texts_Get(t.stereo ? kTextStereo : kTextMono);
  return std::string(t.type_text) + "  " + std::to_string(t.frequency) + "Hz/" +
         std::to_string(t.bits) + "b " + channels;
}

std::string Enclosed(const char* open, const std::string& text, const char* close) {
  return text.empty() ? std::string() : open + text + close;
}

}  // namespace

std::string PlayerCore::IdleWindowTitle() { return "Tunewright " TUNEWRIGHT_VERSION; }

std::string PlayerCore::AboutText() {
  std::string text = Texts_Get(kTextSupportedFormats);
  for (int i = 0; const char* description = decoders::Decoders_GetDescription(i); ++i) {
    text += std::string(description) + "\n";
  }
  return text;
}

SongInfo PlayerCore::BuildSongInfo() const {
  SongInfo info;
  const PlaylistEntry* entry = playlist_.current;
  if (!entry) {
    info.title = Texts_Get(kTextSelectSong);
    return info;
  }
  const auto field = [entry](int id) { return Entry_GetField(entry, id); };
  info.has_song = true;
  info.artist = field(kFieldArtist);
  const std::string album = field(kFieldAlbum);
  const std::string year = field(kFieldYear);
  info.details = (info.artist.empty() ? "" : "/ ") + Enclosed("", album, " ") +
                 Enclosed("(", field(kFieldGenre), ") ") + Enclosed("[", year, "] ");
  if (RowCount() != 1) {
    info.counter = std::to_string(LookUpCurrentRow() + 1) + "/" + std::to_string(RowCount());
  }
  info.duration = field(kFieldDuration);
  info.title = field(kFieldTitle);
  if (entry->track) {
    info.format = FormatLine(*entry->track);
    info.comment = entry->track->file_comment[0] ? std::string(entry->track->file_comment)
                                                 : field(kFieldComment);
  } else {
    info.format = Texts_Get(kTextFileNotAvailable);
  }
  info.duration_seconds = Entry_Duration(entry);
  info.karaoke_title = info.title + Enclosed(" [", year, "]");
  info.karaoke_album = album + Enclosed(" (", info.artist, ")");
  return info;
}

void PlayerCore::RefreshSongInfo() {
  SongInfo info = BuildSongInfo();
  if (info == song_info_) return;
  song_info_ = std::move(info);
  Notify([this](PlayerListener& l) { l.OnSongInfoChanged(song_info_); });
}

void PlayerCore::ShowTime(int64_t seconds) {
  if (seconds == time_shown_) return;
  time_shown_ = seconds;
  Notify([seconds](PlayerListener& l) { l.OnTimeChanged(seconds); });
}

void PlayerCore::UpdateTimeDisplay() {
  if (time_slider_pressed_) return;  // the user's drag wins
  ShowTime(static_cast<int64_t>(std::max(0.0, position_)));
  if (MainGroup().time_slider) return;
  SetWindowTitle(TimedTitle("Playing", time_shown_));
  title_countdown_ = kTitleCountdown;
}

void PlayerCore::ShowPausedTitle() {
  if (MainGroup().time_slider || title_countdown_ == 0) return;
  SetWindowTitle(TimedTitle("Paused at", time_shown_));
  title_countdown_ = kTitleCountdown;
}

void PlayerCore::ShowStoppedTitle() {
  if (MainGroup().time_slider) return;
  if (title_countdown_ > kStoppedTicks) {
    SetWindowTitle(TimedTitle("Stopped at", time_shown_));
    title_countdown_ = kStoppedTicks;
  } else if (title_countdown_ > 0 && --title_countdown_ == 0) {
    SetWindowTitle(IdleWindowTitle());
  }
}

void PlayerCore::SetWindowTitle(const std::string& title) {
  if (title == window_title_) return;
  window_title_ = title;
  Notify([this](PlayerListener& l) { l.OnWindowTitleChanged(window_title_); });
}

}  // namespace player
