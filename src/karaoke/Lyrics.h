// Time-coded lyrics: the lyric entries of one song in file order (never sorted)
// and a play cursor that lets the karaoke display follow the play time in one pass.
// Used from the main task only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace karaoke {

// Longest lyric text in bytes; longer texts are cut at a UTF-8 character boundary.
inline constexpr size_t kLyricTextMax = 79;
// The cursor time when no further line will start.
inline constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

struct LyricEntry {
  int32_t time = 0;  // ms from the start of the song; never negative when read from a file
  std::string text;  // at most kLyricTextMax bytes, no line feed
};

struct LyricsList {
  std::vector<LyricEntry> entries;
  // LRC header tags ("[ar:Artist]" and the like) carried verbatim; the lyric
  // reader skips such lines, so they live beside the entries.
  std::vector<std::string> tags;
  // The cursor: an index into entries, entries.size() for the end position, or kNoCursor.
  static constexpr size_t kNoCursor = std::numeric_limits<size_t>::max();
  size_t cursor = kNoCursor;
  int64_t cursor_time = 0;
};

// An entry with the text cut at the first line feed and to kLyricTextMax bytes.
LyricEntry MakeLyricEntry(int32_t time, std::string_view text);
// Appends MakeLyricEntry(time, text).
void Lyrics_Append(LyricsList& list, int32_t time, std::string_view text);

// The path with its file name's extension (the part from the last full stop that
// is not the name's first character) replaced by extension, or extension appended.
std::string WithExtension(std::string_view path, std::string_view extension);
// The lyrics file of a song: the file name cut to 26 bytes (at a character
// boundary, never into the folder part), its extension replaced by ".kok" or
// ".kok" appended. An empty path gives an empty result.
std::string Lyrics_NameFor(std::string_view song_path);
// Milliseconds of the "minutes:seconds[.tenths]" time the line starts with; -1 when
// it does not start with one, the minutes are negative or the time exceeds 32 bits.
int32_t Lyrics_ParseTime(std::string_view line);
// The part of the line after its first space; empty when it has none.
std::string_view Lyrics_TextAfterTime(std::string_view line);
// "%02d:%02d.%1d" of minutes, seconds and tenths; a negative time formats as 0.
std::string Lyrics_FormatTime(int64_t ms);

// Frees the list and clears the owner's pointer.
void Lyrics_Free(std::unique_ptr<LyricsList>& list);
// Places the cursor on the last entry (in list order) starting before t, or the
// first entry when none does; the cursor time becomes the next entry's time or
// kNever. On an empty list the cursor is none and the cursor time is t.
void Lyrics_Seek(LyricsList* list, int64_t t);
// The cursor's entry; nullptr past the last entry, on an empty list or without a list.
const LyricEntry* Lyrics_Current(const LyricsList* list);
// The list's cursor time; 0 without a list.
int64_t Lyrics_CursorTime(const LyricsList* list);
// The cursor entry's text, or the empty text.
std::string_view Lyrics_CurrentText(const LyricsList* list);
// Moves to the next entry (its time becomes the cursor time) or, after the last,
// to the end position (cursor time kNever). False when the cursor was already at
// the end or none.
bool Lyrics_Advance(LyricsList* list);

}  // namespace karaoke
