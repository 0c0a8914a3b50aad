// What the CD title editor works on: a copy of one disc's titles and the track
// shown. Nothing reaches the title file or the shared titles until Save().
#pragma once

#include <optional>
#include <string>

#include "cdda/CdTitles.h"

namespace cdda {

class CdTitleEdit {
 public:
  // The titles of the disc whose track path names, read again when the titles
  // held describe another disc; nullopt when that disc is not in the drive, so
  // one disc's titles are never written under another's key. The track shown is
  // the path's, or the disc's first.
  static std::optional<CdTitleEdit> ForTrack(const std::string& path);
  explicit CdTitleEdit(const CDTitles& titles, int track = -1);

  std::string DiscKey() const { return titles_.disc_key; }
  int FirstTrack() const { return int(titles_.first_track); }
  int LastTrack() const { return int(titles_.last_track); }
  int Track() const { return track_; }
  void SelectTrack(int track);  // kept within the disc's tracks

  // Fields are cut to what the title file keeps (39 bytes, whole characters).
  std::string Artist() const { return titles_.artist; }
  std::string Album() const { return titles_.album; }
  std::string Title() const { return titles_.titles[track_]; }  // the selected track's
  void SetArtist(const std::string& text);
  void SetAlbum(const std::string& text);
  void SetTitle(const std::string& text);

  // Writes the disc's title file; false (the old file kept) when it cannot.
  bool Save() const;
  std::string FilePath() const;  // the title file Save() writes

 private:
  CDTitles titles_;
  int track_ = 0;
};

}  // namespace cdda
