#include "decoders/VorbisComments.h"

#include <cstdint>

#include "platform/Utf8.h"

namespace decoders {
namespace {

// Comment names ignore letter case. A key is tried only on comments of at least
// min_length bytes, as tags have always been read.
bool TakeValue(std::string_view comment, std::string_view key, size_t min_length,
               std::string_view* value) {
  if (comment.size() < min_length || comment.size() < key.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    const char c = comment[i];
    if ((c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) != key[i]) return false;
  }
  *value = comment.substr(key.size());
  return true;
}

int32_t ParseYear(std::string_view text) {
  int64_t year = 0;
  size_t i = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && year < INT32_MAX / 10)
    year = year * 10 + (text[i++] - '0');
  return static_cast<int32_t>(year);
}

}  // namespace

void ApplyVorbisComment(std::string_view comment, CommentKeys keys, TrackInfo* track) {
  std::string_view value;
  if (TakeValue(comment, "TITLE=", 6, &value)) {
    platform::CopyField(track->title, value);
  } else if (TakeValue(comment, "ARTIST=", 7, &value)) {
    platform::CopyField(track->artist, value);
  } else if (TakeValue(comment, "ALBUM=", 7, &value)) {
    platform::CopyField(track->album, value);
  } else if (TakeValue(comment, "DATE=", 7, &value)) {
    track->year = ParseYear(value);
  } else if (TakeValue(comment, "GENRE=", 7, &value)) {
    platform::CopyField(track->genre, value == "Unknown" ? std::string_view("") : value);
  } else if (keys == CommentKeys::kWithComment && (TakeValue(comment, "COMMENT=", 7, &value) ||
                                                   TakeValue(comment, "DESCRIPTION=", 7, &value))) {
    platform::CopyField(track->comment, value);
  } else if (const size_t equals = comment.find('='); equals != std::string_view::npos) {
    ApplyReplayGainItem(comment.substr(0, equals), comment.substr(equals + 1), &track->replay_gain);
  }
}

void ApplyVorbisComments(const char* const* comments, const int* lengths, int count,
                         CommentKeys keys, TrackInfo* track) {
  for (const std::string& comment : CommentTexts(comments, lengths, count))
    ApplyVorbisComment(comment, keys, track);
}

std::vector<std::string> CommentTexts(const char* const* comments, const int* lengths, int count) {
  std::vector<std::string> texts;
  if (!comments || !lengths) return texts;
  for (int i = 0; i < count; ++i) {
    if (comments[i] && lengths[i] > 0)
      texts.emplace_back(comments[i], static_cast<size_t>(lengths[i]));
  }
  return texts;
}

std::string FindVorbisComment(const std::vector<std::string>& comments, std::string_view key) {
  const std::string name = std::string(key) + "=";
  std::string found;
  std::string_view value;
  for (const std::string& comment : comments) {
    if (TakeValue(comment, name, 0, &value)) found = value;
  }
  return found;
}

}  // namespace decoders
