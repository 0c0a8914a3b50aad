// The karaoke editor's model: a list of lyric lines with one active line, the
// edit line, a one-line clipboard, files in and out, and timing the lines while
// the song plays. Operations that find nothing to act on do nothing and return
// false. Main task only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "karaoke/Lyrics.h"

namespace karaoke {

enum class LyricsFormat { kKok, kLrc };

enum class SaveResult {
  kSaved,
  kExists,  // the file is there and overwriting was not allowed: ask, then save again
  kFailed,  // nothing written; an old file is untouched
};

class LyricsEditor {
 public:
  static constexpr int kNone = -1;
  static constexpr int kNudgeMs = 100;

  // position: the player's position in seconds, for Pick Time.
  explicit LyricsEditor(std::function<double()> position);

  const std::vector<LyricEntry>& Entries() const { return entries_; }
  int Active() const { return active_; }  // kNone when no line is active
  // Makes a line active; false (nothing changes) outside the list.
  bool Select(int index);
  // The active line as "time text"; empty when none is active.
  std::string EditLine() const;
  // A "time text" line for the active entry, which then passes to the next line;
  // false (nothing changes) without an active line or when the time is malformed.
  bool ApplyEditLine(std::string_view line);

  bool Copy();  // the active line into the clipboard
  bool Cut();   // Copy, then remove it; the line after it becomes active
  // Inserts the clipboard before the active line, or at the end when none is
  // active; the inserted line becomes active. False while nothing was copied.
  bool Paste();

  // Replaces the list by a ".kok" or ".lrc" file (by its extension); the first
  // line becomes active and its header tags are kept for the next save. False
  // (list kept) when the file cannot be read.
  bool Load(const std::string& path);
  // Replaces the list by the non-empty lines of a text file, each at time 0.
  bool Import(const std::string& path);
  // The path a save of path writes: its lyrics name (".kok", the name cut as the
  // display looks for it) or the path with ".lrc".
  static std::string SavePath(const std::string& path, LyricsFormat format);
  // Writes the list in list order, atomically, to SavePath(path, format).
  SaveResult Save(const std::string& path, LyricsFormat format, bool overwrite);

  // Stamps the active line with the player's position and activates the next
  // one (none after the last).
  bool PickTime();
  // Moves the line timed last (by Pick Time or the edit line; else the active
  // one) by steps of kNudgeMs, never below 0.
  bool Nudge(int steps);
  // Takes back the last change of the list.
  bool Undo();

 private:
  struct Snapshot {
    std::vector<LyricEntry> entries;
    int active;
    int last_timed;
  };
  bool HasActive() const { return active_ >= 0 && active_ < int(entries_.size()); }
  void Remember();
  void Replace(std::vector<LyricEntry> entries);
  void StampActive(int32_t time, std::string_view text);

  std::function<double()> position_;
  std::vector<LyricEntry> entries_;
  int active_ = kNone;
  int last_timed_ = kNone;
  std::vector<std::string> tags_;  // LRC header tags of the loaded file, saved again
  std::vector<LyricEntry> clipboard_;  // empty or one line
  std::vector<Snapshot> undo_;
};

}  // namespace karaoke
