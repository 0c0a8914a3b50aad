// ID3v2 (2.2, 2.3, 2.4) and APEv2 tags of MPEG files, read through TagLib into a
// track's descriptive fields and ReplayGain values.
#pragma once

#include <string>

#include "decoders/TrackInfo.h"

namespace decoders {

// Reads the tags of the file at path over what the track already holds (its
// ID3v1 tag): field by field ID3v2 wins over APEv2, which wins over what is
// there; an empty field falls through. A numeric or "(nn)" genre is named through
// the ID3v1 genre table. A file without these tags, or with tags TagLib cannot
// read, leaves the track as it was.
void ReadMpegTags(const std::string& path, TrackInfo* track);

// True when the file carries an ID3v2 or APEv2 tag with any text: what the
// player shows then comes from there, not from the ID3v1 tag alone.
bool HasRicherMpegTags(const std::string& path);

// The lyrics of an ID3v2 USLT frame, else of an APEv2 "Lyrics" item; empty
// when there are none or the tags cannot be read.
std::string ReadMpegLyrics(const std::string& path);

}  // namespace decoders
