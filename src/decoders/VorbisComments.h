// Vorbis comments ("KEY=value", the key in any letter case), as Ogg Vorbis, FLAC
// and Opus files carry them, read into a track's descriptive fields.
#pragma once

#include <string_view>

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

}  // namespace decoders
