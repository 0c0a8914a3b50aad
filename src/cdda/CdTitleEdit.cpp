#include "cdda/CdTitleEdit.h"

#include <algorithm>

#include "cdda/Cdda.h"
#include "cdda/DiscKey.h"
#include "platform/Utf8.h"
#include "settings/SettingsGroups.h"

namespace cdda {

std::optional<CdTitleEdit> CdTitleEdit::ForTrack(const std::string& path) {
  const std::optional<CdTrackPath> parsed = CDDA_ParseTrackPath(path);
  if (!parsed) return std::nullopt;
  CDTitles titles = CDDA_GetTitles();
  if (parsed->key != titles.disc_key) {
    CDDA_ReadDisc();  // the drive closes again at once; the titles stay
    titles = CDDA_GetTitles();
    if (parsed->key != titles.disc_key) return std::nullopt;
  }
  return CdTitleEdit(titles, parsed->track);
}

CdTitleEdit::CdTitleEdit(const CDTitles& titles, int track) : titles_(titles) {
  titles_.last_track = std::min<uint32_t>(titles_.last_track, 99);
  titles_.first_track =
      std::clamp<uint32_t>(titles_.first_track, 1, std::max<uint32_t>(titles_.last_track, 1));
  SelectTrack(track < 0 ? FirstTrack() : track);
}

void CdTitleEdit::SelectTrack(int track) {
  track_ = std::clamp(track, FirstTrack(), std::max(FirstTrack(), LastTrack()));
}

void CdTitleEdit::SetArtist(const std::string& text) { platform::CopyField(titles_.artist, text); }
void CdTitleEdit::SetAlbum(const std::string& text) { platform::CopyField(titles_.album, text); }
void CdTitleEdit::SetTitle(const std::string& text) {
  platform::CopyField(titles_.titles[track_], text);
}

bool CdTitleEdit::Save() const { return CDDA_SaveTitles(titles_); }

std::string CdTitleEdit::FilePath() const {
  return CDTitles_FilePath(settings::Cdda().Fetch().cd_titles, titles_.disc_key);
}

}  // namespace cdda
