// The displayed list: rows with stable ids, insertion, removal, moves, the
// highlight, refreshing after edits and saving.
#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "cdda/CdCommandLine.h"
#include "cdda/Cdda.h"
#include "platform/WildcardPattern.h"
#include "player/PlayerCore.h"
#include "settings/SettingsGroups.h"

namespace player {
namespace {

settings::MainSettings MainGroup() { return settings::Main().Fetch(); }

bool IsKaraokeFile(const std::string& name) {
  static const platform::WildcardPattern kKaraoke("#?.kok");
  return kKaraoke.Matches(name);
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

PlaylistEntry* PlayerCore::EntryAt(int row) const {
  return row >= 0 && row < RowCount() ? view_[static_cast<size_t>(row)].entry : nullptr;
}

RowId PlayerCore::RowIdAt(int row) const {
  return row >= 0 && row < RowCount() ? view_[static_cast<size_t>(row)].id : 0;
}

int PlayerCore::RowOf(RowId id) const {
  if (id == 0) return -1;
  const auto found =
      std::find_if(view_.begin(), view_.end(), [id](const ViewRow& r) { return r.id == id; });
  return found == view_.end() ? -1 : static_cast<int>(found - view_.begin());
}

RowInfo PlayerCore::Row(int row) const {
  const PlaylistEntry* entry = EntryAt(row);
  if (!entry) return {};
  return RowInfo{RowIdAt(row), ExpandTitlePattern(entry, MainGroup().list_pattern),
                 Entry_GetField(entry, kFieldDuration), entry == playlist_.current};
}

decoders::TrackInfo* PlayerCore::IdentifyRow(int row) {
  PlaylistEntry* entry = EntryAt(row);
  if (!entry) return nullptr;
  if (entry->track) return entry->track.get();
  decoders::TrackInfo* track = Entry_GetTrackInfo(playlist_, entry);
  if (track) {
    // The texts and the duration now come from the file.
    Notify([row](PlayerListener& l) { l.OnRowChanged(row); });
    const int64_t total_before = total_seconds_;
    UpdateTotals();
    RefreshSongInfo();
    const int rows = RowCount();
    if (total_seconds_ != total_before)
      Notify([rows](PlayerListener& l) { l.OnPlaylistChanged(rows); });
  }
  return track;
}

const decoders::TrackInfo* PlayerCore::RowTrack(RowId id) { return IdentifyRow(RowOf(id)); }

// ---------------------------------------------------------------- insertion

int PlayerCore::InsertEntry(PlaylistEntry* entry, int position) {
  if (!entry) return position;
  if (position < 0 || position > RowCount()) position = RowCount();
  view_.insert(view_.begin() + position, ViewRow{next_id_++, entry});
  Notify([position](PlayerListener& l) { l.OnRowsInserted(position, 1); });
  if (highlighted_ < 0) {
    new_since_play_ = true;
    SetHighlightIndex(0);
  } else if (position <= highlighted_) {
    SetHighlightIndex(highlighted_ + 1);
  }
  return position;
}

int PlayerCore::AddNamesAt(const std::vector<std::string>& names, bool no_playlist, int position) {
  PlaylistLoader loader(
      playlist_, [this](PlaylistEntry* entry, int at) { return InsertEntry(entry, at); }, database_,
      MainGroup().playlist_pattern);
  for (const std::string& name : names) {
    // A CD drive or disc image stands for the disc's audio tracks.
    if (cdda::CDDA_IsDiscName(name)) {
      position = AddCdTracks(cdda::CDDA_ExpandDiscName(name), position);
    } else {
      position = loader.AddPathRecursive(name, no_playlist, position);
    }
  }
  if (!loader.last_playlist_path().empty()) last_playlist_path_ = loader.last_playlist_path();
  return position;
}

int PlayerCore::AddCdTracks(std::vector<decoders::TrackPtr> tracks, int position) {
  cd_length_ = 0;
  std::string key;
  for (decoders::TrackPtr& track : tracks) {
    key = track->path.substr(0, track->path.rfind('-'));
    PlaylistEntry* entry = Playlist_AddTrack(playlist_, std::move(track));
    if (!entry) continue;
    position = InsertEntry(entry, position) + 1;
    const int64_t seconds = Entry_Duration(entry);
    cd_length_ = seconds > INT64_MAX - cd_length_ ? INT64_MAX : cd_length_ + seconds;
  }
  if (!key.empty() && key != cd_id_) {
    cd_id_ = key;
    Notify([this](PlayerListener& l) { l.OnDiscChanged(cd_id_); });
  }
  return position;
}

void PlayerCore::AddNames(const std::vector<std::string>& names, bool no_playlist,
                          bool clear_first) {
  if (clear_first) ClearAll();
  AddNamesAt(names, no_playlist, -1);
  ListChanged();
}

int PlayerCore::InsertNames(const std::vector<std::string>& names, int row) {
  const bool was_empty = view_.empty();
  const int next = AddNamesAt(names, false, row);
  ListChanged();
  if (was_empty && MainGroup().auto_play && !view_.empty()) PressPlay();
  return next;
}

void PlayerCore::OpenSelected(const std::vector<std::string>& names, bool append) {
  if (!append) ClearAll();
  std::vector<std::string> songs;
  std::copy_if(names.begin(), names.end(), std::back_inserter(songs),
               [](const std::string& name) { return !IsKaraokeFile(name); });
  AddNamesAt(songs, false, -1);
  ListChanged();
  if (!append) AutoPlayAfterLoading();
}

void PlayerCore::RestoreRows(const std::vector<std::string>& lines, int highlighted) {
  PlaylistLoader loader(
      playlist_, [this](PlaylistEntry* entry, int at) { return InsertEntry(entry, at); }, database_,
      MainGroup().playlist_pattern);
  const bool was_empty = view_.empty();
  int highlighted_row = -1;  // lines whose file is gone add no row
  for (size_t i = 0; i < lines.size(); ++i) {
    const int before = RowCount();
    loader.AddFileOrPlaylist(lines[i], true, -1);
    if (static_cast<int>(i) == highlighted && RowCount() > before) highlighted_row = before;
  }
  // The order comes back as it was: a first Play with random on does not shuffle it.
  if (was_empty) new_since_play_ = false;
  ListChanged();
  if (highlighted_row >= 0) SetHighlighted(highlighted_row);
}

std::vector<std::string> PlayerCore::RowLines() const {
  std::vector<std::string> lines;
  for (const ViewRow& row : view_) lines.push_back(Entry_FormatLine(row.entry));
  return lines;
}

void PlayerCore::ReloadCd() {
  RemoveByType("CDDA");
  std::string key;
  AddCdTracks(cdda::CDDA_ListTracks(&key), -1);
  ListChanged();
}

// ---------------------------------------------------------------- removal and moves

void PlayerCore::StopIfPlaying(const PlaylistEntry* entry) {
  if (playing_ && entry == playing_entry_) Stop();
}

void PlayerCore::RemoveRow(int row) {
  PlaylistEntry* entry = EntryAt(row);
  StopIfPlaying(entry);
  const int current_row = LookUpCurrentRow();
  const bool was_current = current_row == row;
  if (was_current) pending_next_.reset();
  view_.erase(view_.begin() + row);
  Notify([row](PlayerListener& l) { l.OnRowsRemoved(row, 1); });
  if (was_current) playlist_.current = nullptr;
  Playlist_Remove(playlist_, entry);
  if (row < highlighted_) {
    SetHighlightIndex(highlighted_ - 1);
  } else if (highlighted_ >= RowCount()) {
    SetHighlightIndex(RowCount() - 1);
  }
  if (was_current || row < current_row) NotifySong();
}

void PlayerCore::RemoveActive() {
  if (highlighted_ < 0 || highlighted_ >= RowCount()) return;
  RemoveRow(highlighted_);
  ListChanged();
}

void PlayerCore::RemoveByType(const std::string& type) {
  for (int row = RowCount() - 1; row >= 0; --row) {
    if (Entry_GetField(EntryAt(row), kFieldType) == type) RemoveRow(row);
  }
  ListChanged();
}

void PlayerCore::ClearAll() {
  Stop();
  const int rows = RowCount();
  const bool had_current = playlist_.current != nullptr;
  view_.clear();
  if (rows > 0) Notify([rows](PlayerListener& l) { l.OnRowsRemoved(0, rows); });
  Playlist_Clear(playlist_);
  playlist_.current = nullptr;
  SetHighlightIndex(-1);
  if (had_current) NotifySong();
  ListChanged();
}

bool PlayerCore::MoveRow(int from, int to) {
  if (from < 0 || from >= RowCount() || to < 0 || to >= RowCount()) return false;
  if (from == to) return true;
  const int current_before = LookUpCurrentRow();
  const ViewRow moved = view_[static_cast<size_t>(from)];
  view_.erase(view_.begin() + from);
  view_.insert(view_.begin() + to, moved);
  Notify([from, to](PlayerListener& l) { l.OnRowMoved(from, to); });
  // The highlight stays on its row.
  if (highlighted_ == from) {
    SetHighlightIndex(to);
  } else if (highlighted_ >= 0) {
    int h = highlighted_ - (from < highlighted_ ? 1 : 0);
    if (to <= h) ++h;
    SetHighlightIndex(h);
  }
  if (LookUpCurrentRow() != current_before) NotifySong();
  RefreshSongInfo();
  return true;
}

// ---------------------------------------------------------------- highlight and current

void PlayerCore::SetHighlightIndex(int row) {
  if (highlighted_ == row) return;
  highlighted_ = row;
  Notify([row](PlayerListener& l) { l.OnHighlightChanged(row); });
}

void PlayerCore::SetHighlighted(int row) {
  if (row < -1 || row >= RowCount()) return;
  SetHighlightIndex(row);
  // While stopped, the highlighted row is the one that will play: it is
  // identified now so that the display shows its format.
  if (!playing_ && row >= 0) {
    SetCurrent(EntryAt(row));
    IdentifyRow(row);
  }
}

void PlayerCore::SetCurrent(PlaylistEntry* entry) {
  if (playlist_.current == entry) return;
  const int old_row = LookUpCurrentRow();
  playlist_.current = entry;
  const int row = LookUpCurrentRow();
  if (old_row >= 0) Notify([old_row](PlayerListener& l) { l.OnRowChanged(old_row); });
  if (row >= 0) Notify([row](PlayerListener& l) { l.OnRowChanged(row); });
  NotifySong();
  RefreshSongInfo();
}

int PlayerCore::LookUpCurrentRow() const {
  if (!playlist_.current) return -1;
  const auto found = std::find_if(view_.begin(), view_.end(), [this](const ViewRow& r) {
    return r.entry == playlist_.current;
  });
  return found == view_.end() ? -1 : static_cast<int>(found - view_.begin());
}

void PlayerCore::ListChanged() {
  UpdateTotals();
  RefreshSongInfo();
  const int rows = RowCount();
  Notify([rows](PlayerListener& l) { l.OnPlaylistChanged(rows); });
}

void PlayerCore::UpdateTotals() {
  int64_t total = 0;
  for (const ViewRow& row : view_) {
    const int64_t seconds = Entry_Duration(row.entry);
    total = seconds > INT64_MAX - total ? INT64_MAX : total + seconds;
  }
  total_seconds_ = total;
}

// ---------------------------------------------------------------- edits and saving

void PlayerCore::RefreshEntry(int row) {
  PlaylistEntry* entry = EntryAt(row);
  if (!entry) return;
  Entry_Refresh(playlist_, entry);
  Notify([row](PlayerListener& l) { l.OnRowChanged(row); });
  if (entry == playlist_.current) RefreshSongInfo();
}

void PlayerCore::RefreshRow(RowId id) { RefreshEntry(RowOf(id)); }

void PlayerCore::RefreshCdRows() {
  for (int row = 0; row < RowCount(); ++row) {
    const PlaylistEntry* entry = EntryAt(row);
    if (entry->track && entry->track->format_tag == decoders::kTagCdTrack) RefreshEntry(row);
  }
}

bool PlayerCore::PerformEdit() {
  const int row = MainGroup().file_list ? highlighted_ : LookUpCurrentRow();
  const PlaylistEntry* entry = EntryAt(row);
  if (!entry || !entry->track || !entry->track->edit_tags) return false;
  // The row is remembered by id: by the time the editor closes it may be gone.
  edited_ = RowIdAt(row);
  edited_is_cd_ = entry->track->format_tag == decoders::kTagCdTrack;
  const std::string path = entry->track->path;
  entry->track->edit_tags(path, &PlayerCore::OnEditorChanged, this);
  return true;
}

void PlayerCore::OnEditorChanged(void* user) {
  auto* core = static_cast<PlayerCore*>(user);
  core->AfterEdit(true, core->edited_is_cd_);
}

void PlayerCore::AfterEdit(bool changed, bool extra) {
  const RowId edited = std::exchange(edited_, 0);
  if (!changed) return;
  if (const int row = RowOf(edited); row >= 0) RefreshEntry(row);
  if (extra) RefreshCdRows();
}

bool PlayerCore::SavePlaylist(const std::string& path, const AskOverwriteFn& ask) {
  std::vector<const PlaylistEntry*> rows;
  rows.reserve(view_.size());
  for (const ViewRow& row : view_) rows.push_back(row.entry);
  if (Playlist_Save(rows, path, ask) != 1) return false;
  last_playlist_path_ = path;
  return true;
}

bool PlayerCore::SaveToLastPath() {
  if (!last_playlist_path_.empty() && IsRegularFile(last_playlist_path_)) {
    return SavePlaylist(last_playlist_path_);
  }
  Notify([](PlayerListener& l) { l.OnRequest(Request::kSavePlaylistAs); });
  return true;
}

const decoders::TrackInfo* PlayerCore::PlayingTrack() const {
  return playing_entry_ ? playing_entry_->track.get() : nullptr;
}

}  // namespace player
