#include "decoders/TagForm.h"

#include <algorithm>

#include "decoders/MpegTags.h"
#include "platform/Utf8.h"

namespace decoders {
namespace {

constexpr size_t kTextChars = 30, kYearChars = 4;

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// At most max characters (not bytes) of UTF-8 text.
std::string FirstChars(const std::string& text, size_t max) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && chars++ == max) return text.substr(0, i);
  }
  return text;
}

std::string DigitsOnly(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

void InsertSorted(std::vector<std::string>& list, const std::string& value) {
  const auto at = std::lower_bound(list.begin(), list.end(), value);
  if (at == list.end() || *at != value) list.insert(at, value);
}

}  // namespace

int TagForm_FieldLimit(TagField field) {
  return static_cast<int>(field == kTagYear ? kYearChars : kTextChars);
}

const std::vector<std::string>& TagForm_SortedGenres() {
  static const std::vector<std::string> sorted = [] {
    std::vector<std::string> names(kId3Genres.begin(), kId3Genres.end());
    std::sort(names.begin(), names.end());
    return names;
  }();
  return sorted;
}

TagFormTarget TagForm::Target(const std::string& path, bool editing) {
  if (editing && path == path_) return TagFormTarget::kContinued;
  ID3Tag tag;
  const int read = ID3_Read(path, &tag);
  if (read == kId3NoFile) return TagFormTarget::kRefused;
  if (read == kId3NoTag) {
    tag = ID3Tag{};
    tag.title = FileNamePart(path);
  }
  path_ = path;
  tag_ = tag;
  has_richer_tags = HasRicherMpegTags(path);  // a note about the last file must not stay
  SetTexts({tag.title, tag.artist, tag.album, tag.year, tag.genre, tag.comment});
  RememberTexts();
  return TagFormTarget::kLoaded;
}

void TagForm::SetTexts(const Texts& texts) {
  for (int field = 0; field < kTagFieldCount; ++field) {
    std::string text = field == kTagYear ? DigitsOnly(texts[field]) : texts[field];
    texts_[field] = FirstChars(text, static_cast<size_t>(TagForm_FieldLimit(TagField(field))));
  }
}

int TagForm::Save() {
  RememberTexts();
  ID3Tag tag = tag_;
  tag.title = texts_[kTagTitle];
  tag.artist = texts_[kTagArtist];
  tag.album = texts_[kTagAlbum];
  tag.year = texts_[kTagYear];
  tag.genre = texts_[kTagGenre];
  tag.comment = texts_[kTagComment];
  const int written = ID3_Write(path_, tag);
  if (written == kId3Ok) tag_ = tag;
  return written;
}

const std::vector<std::string>& TagForm::Choices(TagField field) const {
  return field == kTagGenre ? TagForm_SortedGenres() : histories_[field];
}

void TagForm::RememberTexts() {
  for (int field = 0; field < kTagFieldCount; ++field) {
    if (field != kTagGenre && !texts_[field].empty()) InsertSorted(histories_[field], texts_[field]);
  }
}

}  // namespace decoders
