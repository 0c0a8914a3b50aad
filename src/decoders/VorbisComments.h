// Vorbis comments ("KEY=value", the key in any letter case), as Ogg Vorbis, FLAC
// and Opus files carry them, read into a track's descriptive fields.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "decoders/TrackInfo.h"

namespace decoders {

// Which keys a module reads. The Ogg Vorbis module has always left the comment
// field alone; FLAC and Opus fill it too.
enum class CommentKeys { kNamesAndDate, kWithComment };

// Applies one comment: TITLE, ARTIST, ALBUM, DATE (its leading digits as the
// year), GENRE ("Unknown" stored as empty) and, with kWithComment, COMMENT or
// DESCRIPTION. A key other than TITLE is read only from comments of at least 7
// bytes; a later comment with the same key overwrites an earlier one. ReplayGain
// and R128 gains go into the track's replay_gain.
void ApplyVorbisComment(std::string_view comment, CommentKeys keys, TrackInfo* track);

// Applies count comments of a library's comment table (entries may be null).
void ApplyVorbisComments(const char* const* comments, const int* lengths, int count,
                         CommentKeys keys, TrackInfo* track);

// The entries of a library's comment table as texts (null entries left out).
std::vector<std::string> CommentTexts(const char* const* comments, const int* lengths, int count);

// The value of the last comment named key (any letter case); empty when none is.
std::string FindVorbisComment(const std::vector<std::string>& comments, std::string_view key);

// Every comment of a file, read the way its module reads them for playback;
// empty when the module cannot open the file.
std::vector<std::string> OggVorbis_ReadComments(const std::string& path);
std::vector<std::string> Flac_ReadComments(const std::string& path, bool ogg);
std::vector<std::string> Opus_ReadComments(const std::string& path);

}  // namespace decoders
