// A recording engine, a file-free identifier and a listener that writes down
// what it hears, for driving the player core without sound or files.
#pragma once

#include <string>
#include <vector>

#include "player/PlayerCore.h"

namespace playertest {

// Records what the core asks of the engine; the test decides when songs end.
class FakeEngine : public player::TransportEngine {
 public:
  bool Play(const decoders::TrackInfo& track) override {
    played.push_back(track.path);
    Note("play " + track.path);
    state = 1;
    time = 0;
    return track.path.find("broken") == std::string::npos;
  }
  void Stop() override {
    state = 3;
    Note("stop");
  }
  void Pause(bool on) override {
    state = on ? 2 : 1;
    Note("pause " + std::to_string(on));
  }
  void SeekTo(double seconds) override { time = seconds; }
  void SeekBy(bool fine, double step) override {
    time += step;
    Note("seekby " + std::to_string(fine) + " " + Number(step));
  }
  void SetSpeed(double percent) override {
    speed = percent;
    Note("speed " + Number(percent));
  }
  double Time() override { return time; }
  int State() override { return state; }
  void SetVolume(int) override {}
  void SetBalance(int) override {}
  void SetTone(bool, int, int) override {}
  void SetFilter(bool) override {}
  void SetExpand(bool) override {}

  static std::string Number(double value) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
  }
  void Note(const std::string& line) { log += line + "\n"; }

  std::vector<std::string> played;
  std::string log;  // shared with Recorder, so one transcript shows the order
  int state = 3;
  double time = 0;
  double speed = 100;
};

// Every path is a one-minute song at 1000 Hz, except names containing "gone"
// (not playable); "edit" gives the song an editor that remembers its callback.
inline void (*g_edit_done)(void*) = nullptr;
inline void* g_edit_user = nullptr;
inline int g_identified = 0;

inline decoders::TrackPtr Identify(const std::string& path) {
  ++g_identified;
  if (path.find("gone") != std::string::npos) return nullptr;
  auto track = std::make_unique<decoders::TrackInfo>();
  track->path = path;
  track->frequency = 1000;
  track->length = 60000;
  track->bits = 16;
  track->stereo = 1;
  std::snprintf(track->type_text, sizeof track->type_text, "RIFF-WAVE");
  if (path.find("edit") != std::string::npos) {
    track->edit_tags = [](const std::string&, void (*done)(void*), void* user) {
      g_edit_done = done;
      g_edit_user = user;
    };
  }
  if (path.find("cd") != std::string::npos) track->format_tag = decoders::kTagCdTrack;
  return track;
}

// Writes each notification as one line into a log.
class Recorder : public player::PlayerListener {
 public:
  explicit Recorder(std::string& log) : log_(log) {}
  void OnStateChanged(player::PlayState s) override { Note("state", int(s)); }
  void OnSongChanged(int row) override { Note("song", row); }
  void OnPlaylistChanged(int rows) override { Note("rows", rows); }
  void OnRowsInserted(int first, int count) override { Note("inserted", first, count); }
  void OnRowsRemoved(int first, int count) override { Note("removed", first, count); }
  void OnRowMoved(int from, int to) override { Note("moved", from, to); }
  void OnRowChanged(int row) override { Note("changed", row); }
  void OnRowsReordered() override { Note("reordered"); }
  void OnHighlightChanged(int row) override { Note("highlight", row); }
  void OnLevelChanged(player::Level level, int32_t v) override { Note("level", int(level), v); }
  void OnButtonChanged(player::Button b, bool on) override { Note("button", int(b), on); }
  void OnSpeedChanged(double percent) override {
    log_ += "speed is " + FakeEngine::Number(percent) + "\n";
  }
  void OnDisplayOptionChanged(player::DisplayOption o, bool on) override {
    Note("display", int(o), on);
  }
  void OnSubWindowChanged(player::SubWindow w, bool open) override { Note("window", int(w), open); }
  void OnSongInfoChanged(const player::SongInfo& info) override {
    log_ += "info " + info.title + "\n";
  }
  void OnTimeChanged(int64_t seconds) override { Note("time", int(seconds)); }
  void OnWindowTitleChanged(const std::string& title) override { log_ += "title " + title + "\n"; }
  void OnDiscChanged(const std::string& key) override { log_ += "disc " + key + "\n"; }
  void OnSongFailed(int row, const std::string& path, player::PlayFailure why) override {
    log_ += "failed " + std::to_string(row) + " " + path + " " + std::to_string(int(why)) + "\n";
  }
  void OnRequest(player::Request r) override { Note("request", int(r)); }
  void OnQuitRequested() override { Note("quit"); }

 private:
  template <typename... Numbers>
  void Note(const char* what, Numbers... numbers) {
    log_ += what;
    ((log_ += " " + std::to_string(numbers)), ...);
    log_ += "\n";
  }
  std::string& log_;
};

}  // namespace playertest
