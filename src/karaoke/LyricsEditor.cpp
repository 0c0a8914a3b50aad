#include "karaoke/LyricsEditor.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "karaoke/Lrc.h"
#include "karaoke/LyricsFile.h"
#include "platform/AtomicFile.h"

namespace karaoke {
namespace {

constexpr size_t kUndoDepth = 200;

bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool IsLrcName(const std::string& path) {
  return path.size() >= 4 && WithExtension(path, ".lrc") == path;
}

int32_t ToMs(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return 0;
  const double ms = std::trunc(seconds * 1000.0);
  return ms >= std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                   : static_cast<int32_t>(ms);
}

}  // namespace

LyricsEditor::LyricsEditor(std::function<double()> position) : position_(std::move(position)) {}

bool LyricsEditor::Select(int index) {
  if (index < 0 || index >= int(entries_.size())) return false;
  active_ = index;
  return true;
}

std::string LyricsEditor::EditLine() const {
  if (!HasActive()) return {};
  const LyricEntry& entry = entries_[size_t(active_)];
  return Lyrics_FormatTime(entry.time) + " " + entry.text;
}

void LyricsEditor::Remember() {
  if (undo_.size() == kUndoDepth) undo_.erase(undo_.begin());
  undo_.push_back({entries_, active_, last_timed_});
}

void LyricsEditor::StampActive(int32_t time, std::string_view text) {
  Remember();
  entries_[size_t(active_)] = MakeLyricEntry(time, text);
  last_timed_ = active_;
  ++active_;
  if (active_ >= int(entries_.size())) active_ = kNone;
}

bool LyricsEditor::ApplyEditLine(std::string_view line) {
  const int32_t time = Lyrics_ParseTime(line);
  if (!HasActive() || time < 0) return false;
  StampActive(time, Lyrics_TextAfterTime(line));
  return true;
}

bool LyricsEditor::Copy() {
  if (!HasActive()) return false;
  clipboard_.assign(1, entries_[size_t(active_)]);
  return true;
}

bool LyricsEditor::Cut() {
  if (!Copy()) return false;
  Remember();
  entries_.erase(entries_.begin() + active_);
  if (active_ >= int(entries_.size())) active_ = int(entries_.size()) - 1;
  last_timed_ = kNone;
  return true;
}

bool LyricsEditor::Paste() {
  if (clipboard_.empty()) return false;
  Remember();
  if (!HasActive()) active_ = int(entries_.size());
  entries_.insert(entries_.begin() + active_, clipboard_.front());
  last_timed_ = kNone;
  return true;
}

void LyricsEditor::Replace(std::vector<LyricEntry> entries) {
  Remember();
  entries_ = std::move(entries);
  active_ = entries_.empty() ? kNone : 0;
  last_timed_ = kNone;
}

bool LyricsEditor::Load(const std::string& path) {
  std::unique_ptr<LyricsList> list = IsLrcName(path) ? Lrc_Read(path) : Lyrics_Read(path);
  if (!list) return false;
  Replace(std::move(list->entries));
  tags_ = std::move(list->tags);
  return true;
}

bool LyricsEditor::Import(const std::string& path) {
  LyricsList list;
  if (!Lyrics_ImportText(list, path)) return false;
  Replace(std::move(list.entries));
  tags_.clear();
  return true;
}

std::string LyricsEditor::SavePath(const std::string& path, LyricsFormat format) {
  return format == LyricsFormat::kLrc ? WithExtension(path, ".lrc") : Lyrics_NameFor(path);
}

SaveResult LyricsEditor::Save(const std::string& path, LyricsFormat format, bool overwrite) {
  const std::string target = SavePath(path, format);
  if (target.empty()) return SaveResult::kFailed;
  if (!overwrite && Exists(target)) return SaveResult::kExists;
  LyricsList list;
  list.entries = entries_;
  list.tags = tags_;
  const bool written = format == LyricsFormat::kLrc
                           ? platform::WriteFileAtomically(target, Lrc_Format(list))
                           : Lyrics_Write(&list, target) == 1;
  return written ? SaveResult::kSaved : SaveResult::kFailed;
}

bool LyricsEditor::PickTime() {
  if (!HasActive()) return false;
  const std::string text = entries_[size_t(active_)].text;
  StampActive(ToMs(position_ ? position_() : 0.0), text);
  return true;
}

bool LyricsEditor::Nudge(int steps) {
  const int index = last_timed_ >= 0 && last_timed_ < int(entries_.size()) ? last_timed_ : active_;
  if (index < 0 || index >= int(entries_.size()) || steps == 0) return false;
  Remember();
  LyricEntry& entry = entries_[size_t(index)];
  const int64_t moved = int64_t(entry.time) + int64_t(steps) * kNudgeMs;
  entry.time = int32_t(std::clamp<int64_t>(moved, 0, std::numeric_limits<int32_t>::max()));
  return true;
}

bool LyricsEditor::Undo() {
  if (undo_.empty()) return false;
  Snapshot& last = undo_.back();
  entries_ = std::move(last.entries);
  active_ = last.active;
  last_timed_ = last.last_timed;
  undo_.pop_back();
  return true;
}

}  // namespace karaoke
