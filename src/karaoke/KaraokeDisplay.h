// The karaoke display's logic: finds a song's lyrics when it starts and, from the
// play time the main loop's tick reports, chooses the line being sung and the
// line to come. The window only draws what the view is told. Main task only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "karaoke/Lyrics.h"

namespace karaoke {

class KaraokeView {
 public:
  virtual ~KaraokeView() = default;
  // Line 1 ("Current lyrics") and line 2 ("Coming lyrics").
  virtual void ShowLines(const std::string& current, const std::string& coming) = 0;
  // The song's picture, empty for none; told only when it changes.
  virtual void ShowPicture(const std::string& path) = 0;
};

class KaraokeDisplay {
 public:
  // Steps of the play time longer than this are taken as a jump and seek.
  static constexpr int64_t kJumpMs = 1000;

  explicit KaraokeDisplay(KaraokeView* view = nullptr) : view_(view) {}
  void SetView(KaraokeView* view);

  // A song started: its lyrics (the KARAOKE settings' search) replace the old
  // ones, the display shows the default texts, and its picture is looked for.
  void SongLoaded(const std::string& song_path);
  // The texts shown while no lyric line applies (the song's title and album).
  void SetDefaultTexts(std::string line1, std::string line2);
  // The play position in ms; 0 or less (stopped) shows the default texts. The
  // first positive time after that seeks, so the first line shows at once.
  void Update(int64_t play_ms);

  bool HasLyrics() const { return lyrics_ != nullptr; }
  const std::string& Line1() const { return line1_; }
  const std::string& Line2() const { return line2_; }
  const std::string& Picture() const { return picture_; }

 private:
  void Reset();
  void Show(std::string line1, std::string line2);
  void ChoosePicture(const std::string& song_path);

  KaraokeView* view_;
  std::unique_ptr<LyricsList> lyrics_;
  int64_t last_time_ = 0;
  bool seek_pending_ = true;
  std::string default1_, default2_;
  std::string line1_, line2_;
  std::string picture_;
};

}  // namespace karaoke
