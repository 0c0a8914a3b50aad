#include "karaoke/KaraokeDisplay.h"

#include "karaoke/LyricsSearch.h"
#include "settings/SettingsGroups.h"

namespace karaoke {

void KaraokeDisplay::SetView(KaraokeView* view) {
  view_ = view;
  if (!view_) return;
  view_->ShowLines(line1_, line2_);
  view_->ShowPicture(picture_);
}

void KaraokeDisplay::SongLoaded(const std::string& song_path) {
  const settings::KaraokeSettings settings = settings::Karaoke().Fetch();
  lyrics_ = FindLyrics(song_path, settings);
  Lyrics_Seek(lyrics_.get(), 0);
  // Without lyrics the old song's lines must not stay up either.
  Reset();
  if (settings.image_display) {
    ChoosePicture(song_path);
  } else if (!picture_.empty()) {
    picture_.clear();
    if (view_) view_->ShowPicture(picture_);
  }
}

void KaraokeDisplay::SetDefaultTexts(std::string line1, std::string line2) {
  // The song's information is sent again on many changes; lines up stay up.
  if (line1 == default1_ && line2 == default2_) return;
  default1_ = std::move(line1);
  default2_ = std::move(line2);
  Reset();
}

void KaraokeDisplay::Reset() { Update(0); }

void KaraokeDisplay::Update(int64_t play_ms) {
  if (play_ms <= 0) {
    last_time_ = 0;
    seek_pending_ = true;
    Show(default1_, default2_);
    return;
  }
  if (!lyrics_) return;
  const int64_t t = play_ms + settings::Karaoke().Fetch().advance_time;
  const bool jumped = seek_pending_ || t < last_time_ || t > last_time_ + kJumpMs;
  if (jumped) Lyrics_Seek(lyrics_.get(), t);
  seek_pending_ = false;
  last_time_ = t;
  if (!jumped && t <= Lyrics_CursorTime(lyrics_.get())) return;
  std::string current(Lyrics_CurrentText(lyrics_.get()));
  Lyrics_Advance(lyrics_.get());
  Show(std::move(current), std::string(Lyrics_CurrentText(lyrics_.get())));
}

void KaraokeDisplay::Show(std::string line1, std::string line2) {
  if (line1 == line1_ && line2 == line2_) return;
  line1_ = std::move(line1);
  line2_ = std::move(line2);
  if (view_) view_->ShowLines(line1_, line2_);
}

void KaraokeDisplay::ChoosePicture(const std::string& song_path) {
  std::string picture = FindPicture(song_path);
  // The same picture for the next song of a folder is not read again.
  if (picture == picture_) return;
  picture_ = std::move(picture);
  if (view_) view_->ShowPicture(picture_);
}

}  // namespace karaoke
