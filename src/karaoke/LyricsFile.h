// The ".kok" lyrics file: one "minutes:seconds.tenths text" line per lyric line;
// the reader skips every other line. LRC header tag lines ("[ar:...]") are kept
// beside the entries and written back before them.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "karaoke/Lyrics.h"

namespace karaoke {

// True for a header tag line "[name:value]" whose name is letters only, "offset" aside.
bool Lyrics_IsHeaderTag(std::string_view line);

// A new list from the file (cursor none), or nullptr when it cannot be opened.
// Lines are read whole; a carriage return before the line feed stays in the text.
std::unique_ptr<LyricsList> Lyrics_Read(const std::string& path);
// The same from an open stream.
std::unique_ptr<LyricsList> Lyrics_ReadStream(std::FILE* file);

// The file's text: tag lines, then "%s %s\n" of formatted time and text for every
// entry in list order.
std::string Lyrics_Format(const LyricsList& list);
// Writes the list atomically: 1 when written, 0 (old file untouched) otherwise.
int Lyrics_Write(const LyricsList* list, const std::string& path);

// Shared by the lyric formats: calls take_line for every whole line of the stream,
// stopping quietly (keeping what was taken) when memory runs out.
void Lyrics_ForEachLine(std::FILE* file, const std::function<void(std::string_view)>& take_line);
// Opens a file and reads it with a stream reader; nullptr when it cannot be opened.
using LyricsStreamReader = std::unique_ptr<LyricsList> (*)(std::FILE*);
std::unique_ptr<LyricsList> Lyrics_ReadFileWith(const std::string& path, LyricsStreamReader read);
// The tag lines, then stamp(time) followed by the text for every entry, one a line.
std::string Lyrics_FormatWith(const LyricsList& list, std::string (*stamp)(int32_t time));

// Replaces the list's entries by the non-empty lines of a text file, each with
// time 0 and its leading spaces removed. False (list unchanged) when the file
// cannot be opened.
bool Lyrics_ImportText(LyricsList& list, const std::string& path);

}  // namespace karaoke
