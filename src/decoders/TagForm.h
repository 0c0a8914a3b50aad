// The tag editor's state without any window: the file being edited, the six
// texts the user sees, the sorted genre choices and the per-field histories of
// this run. The window only shows this object and hands the user's texts back.
//
// Main task only.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "decoders/Id3v1.h"

namespace decoders {

enum TagField : int { kTagTitle, kTagArtist, kTagAlbum, kTagYear, kTagGenre, kTagComment, kTagFieldCount };

// Characters each field takes (the year: digits only).
int TagForm_FieldLimit(TagField field);

// What a request to edit a file did.
enum class TagFormTarget {
  kContinued,  // that file is being edited already: the typed texts stay
  kLoaded,     // the file's tag (or its name, without a tag) is in the fields
  kRefused,    // the file cannot be opened: no edit, an open window closes
};

class TagForm {
 public:
  using Texts = std::array<std::string, kTagFieldCount>;

  // Starts editing path, unless editing is true and path is the file in hand.
  TagFormTarget Target(const std::string& path, bool editing);

  const std::string& path() const { return path_; }
  const Texts& texts() const { return texts_; }
  // The window's fields as the user left them; cut to the fields' limits.
  void SetTexts(const Texts& texts);
  // The file carries a richer tag (ID3v2 or APEv2) that the player shows instead;
  // the window then says that only the ID3v1 tag is written here.
  bool has_richer_tags = false;

  // Writes the texts as the file's ID3v1 tag; kId3Ok or Id3v1.h's failure codes.
  // A genre byte outside the table and the track number survive when their texts
  // are left alone. On failure the texts stay as the user typed them.
  int Save();

  // Distinct values entered this run, sorted; genres: the whole table, sorted.
  const std::vector<std::string>& Choices(TagField field) const;

 private:
  void RememberTexts();

  std::string path_;
  ID3Tag tag_;  // as read, so what the user did not touch is written back
  Texts texts_;
  std::array<std::vector<std::string>, kTagFieldCount> histories_;
};

// The genre table's 146 names (the empty one included), sorted byte-wise.
const std::vector<std::string>& TagForm_SortedGenres();

}  // namespace decoders
