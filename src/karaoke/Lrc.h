// LRC lyrics, the form most other players use: "[mm:ss.xx]text" lines, several
// time tags on one line, "[offset:+/-ms]" and header tags such as "[ar:Artist]".
// Imported into a LyricsList (entries in time order) and exported from one.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "karaoke/Lyrics.h"

namespace karaoke {

// Milliseconds of a time tag's inside ("mm:ss", "mm:ss.x", "mm:ss.xx", "mm:ss.xxx",
// also with ':' before the fraction); -1 when it is not a time or exceeds 32 bits.
int32_t Lrc_ParseTimeTag(std::string_view inside);

// A list from LRC text: one entry per time tag, the offset applied (times stay
// within 0..2^31-1), entries stably sorted by time, header tags kept verbatim.
std::unique_ptr<LyricsList> Lrc_ReadStream(std::FILE* file);
// The same from a file; nullptr when it cannot be opened.
std::unique_ptr<LyricsList> Lrc_Read(const std::string& path);

// LRC text: the header tags, then "[mm:ss.xx]text" for every entry in list order.
std::string Lrc_Format(const LyricsList& list);

// Converts FILE.lrc into the ".kok" file the karaoke display looks for beside it
// (Lyrics_NameFor), whose path goes to *written (may be null). False with a
// message in *error when nothing was written.
bool ConvertLrcToKok(const std::string& lrc_path, std::string* error,
                     std::string* written = nullptr);
// Converts FILE.kok into FILE.lrc beside it, the same way.
bool ConvertKokToLrc(const std::string& kok_path, std::string* error,
                     std::string* written = nullptr);

}  // namespace karaoke
