// A player that keeps its state in fields, for driving the port without the core.
#pragma once

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "player/PlayerController.h"

namespace porttest {

struct FakeSong {
  std::string title;
  std::string artist;
  int64_t seconds = 0;
  std::string album = "Album";
  std::string genre = "Genre";
};

class FakePlayer : public player::PlayerController {
 public:
  std::vector<FakeSong> songs;
  int row = -1;
  player::PlayState state = player::PlayState::kStopped;
  double position = 0;
  double speed = 100;
  int32_t volume = 64, volume_range = 64, balance = 0, bass = 0, treble = 0, replaygain = 0;
  std::map<player::Button, bool> selected;
  bool quit_allowed = true;
  std::vector<std::string> added;
  bool last_no_playlist = false;

  bool PerformReturnId(int id) override {
    switch (id) {
      case player::kReturnPlay:
        if (songs.empty()) return false;
        if (row < 0) Select(0);
        SetState(player::PlayState::kPlaying);
        return true;
      case player::kReturnStop:
        SetState(player::PlayState::kStopped);
        return true;
      case player::kReturnNext:
        if (row + 1 >= static_cast<int>(songs.size())) return false;
        Select(row + 1);
        return true;
      case player::kReturnPrev:
        if (row <= 0) return false;
        Select(row - 1);
        return true;
      case player::kReturnClear:
        songs.clear();
        Select(-1);
        return true;
      case player::kReturnQuit:
        if (quit_allowed) {
          for (auto* l : listeners_) l->OnQuitRequested();
        }
        return quit_allowed;
      default:
        return false;
    }
  }
  bool IsButtonSelected(player::Button b) const override {
    const auto it = selected.find(b);
    return it != selected.end() && it->second;
  }
  bool IsButtonEnabled(player::Button b) const override {
    return b != player::Button::kPause || state != player::PlayState::kStopped;
  }
  bool SetButton(player::Button b, bool on) override {
    if (!IsButtonEnabled(b)) return false;
    selected[b] = on;
    if (b == player::Button::kPause) {
      SetState(on ? player::PlayState::kPaused : player::PlayState::kPlaying);
    }
    return true;
  }
  void AddNames(const std::vector<std::string>& names, bool no_playlist,
                bool clear_first) override {
    if (clear_first) added.clear();
    added.insert(added.end(), names.begin(), names.end());
    last_no_playlist = no_playlist;
  }
  void SetVolume(int32_t v) override { volume = std::clamp(v, 0, 256); }
  void SetReplayGainMode(int32_t mode) override { replaygain = mode; }
  int32_t ReplayGainMode() const override { return replaygain; }
  void SetVolumeRange(int32_t v) override { volume_range = v; }
  void SetBalance(int32_t v) override { balance = std::clamp(v, -64, 64); }
  void SetBass(int32_t v) override { bass = std::clamp(v, -20, 20); }
  void SetTreble(int32_t v) override { treble = std::clamp(v, -20, 20); }
  int32_t Volume() const override { return volume; }
  int32_t Balance() const override { return balance; }
  int32_t Bass() const override { return bass; }
  int32_t Treble() const override { return treble; }
  bool Seek(double s) override {
    if (state == player::PlayState::kStopped || !std::isfinite(s)) return false;
    position = std::clamp(s, 0.0, static_cast<double>(songs[row].seconds));
    return true;
  }
  bool SelectRow(int r) override {
    if (r < 0 || r >= static_cast<int>(songs.size())) return false;
    Select(r);
    return true;
  }
  bool SetSpeed(double p) override {
    if (row < 0 || !std::isfinite(p)) return false;
    speed = std::clamp(p, 25.0, 400.0);
    return true;
  }
  double Speed() const override { return speed; }
  player::PlayState State() const override { return state; }
  double PositionSeconds() const override { return position; }
  int CurrentRow() const override { return row; }
  std::string CurrentField(int field) const override {
    if (row < 0) return {};
    if (field == 3) return songs[row].title;
    if (field == 1) return songs[row].artist;
    if (field == 2) return songs[row].album;
    if (field == 0) return songs[row].genre;
    return "field" + std::to_string(field);
  }
  int64_t CurrentDurationSeconds() const override { return row < 0 ? 0 : songs[row].seconds; }
  int RowCount() const override { return static_cast<int>(songs.size()); }
  int64_t TotalSeconds() const override {
    int64_t total = 0;
    for (const auto& s : songs) total += s.seconds;
    return total;
  }
  std::string CdId() const override { return "cd\x1b[31m"; }
  int64_t CdLengthSeconds() const override { return 125; }
  void AddListener(player::PlayerListener* l) override { listeners_.push_back(l); }
  void RemoveListener(player::PlayerListener* l) override { std::erase(listeners_, l); }

 private:
  void Select(int r) {
    row = r;
    position = 0;
    for (auto* l : listeners_) l->OnSongChanged(r);
  }
  void SetState(player::PlayState s) {
    state = s;
    for (auto* l : listeners_) l->OnStateChanged(s);
  }
  std::vector<player::PlayerListener*> listeners_;
};

}  // namespace porttest
