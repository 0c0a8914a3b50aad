// The audio database as the window shows it: a genre / artist / album / title
// tree with the albums' running times, and the edits the window offers (the
// title form, renames, deletes, regrouping by drag and drop) with their checks.
// Everything a window needs is decided here; the window only shows the outcome.
//
// Main task only. The tree is rebuilt from the database after every edit but a
// delete, which takes out the one node (and its emptied groups stay deletable);
// a node never outlives the record or name it stands for.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audiodb/AudioDatabase.h"

namespace audiodb {

enum NodeLevel : int { kGenreLevel = 0, kArtistLevel = 1, kAlbumLevel = 2, kTitleLevel = 3 };

struct DbNode {
  int level = -1;                       // -1 for the root
  NameRef name = nullptr;               // group levels
  const TitleRecord* record = nullptr;  // title level
  int64_t seconds = 0;                  // a title's length; a group's: its titles directly beneath
  DbNode* parent = nullptr;
  std::vector<std::unique_ptr<DbNode>> children;  // sorted by Text(), groups and titles mixed

  const std::string& Text() const { return record ? record->title : *name; }
  bool IsDescendantOf(const DbNode& node) const;  // or the node itself
};

// "MM:SS" of seconds; minutes may pass 99, negatives show 00:00.
std::string AudioDbTree_MinSec(int64_t seconds);

// Genre, artist and album a drop onto target gives (each null when the target
// position has no such level).
using GroupNames = std::array<NameRef, kNameListCount>;
GroupNames AudioDbTree_NamesAt(const DbNode* target);

// What an edit refused: a catalogue text id and the word it names ("%s").
struct DbRefusal {
  int text_id = 0;
  int word_id = 0;   // a field's label (catalogue id), or 0
  std::string word;  // a name, when word_id is 0
};
inline constexpr int kTextMustNotBeEmpty = 9002;
inline constexpr int kTextAlreadyExists = 9003;
inline constexpr int kTextBadCharacters = 9007;
inline constexpr int kTextBadNumber = 9008;
// The form's field labels.
inline constexpr int kLabelFile = 6006, kLabelGenre = 6049, kLabelArtist = 6050, kLabelAlbum = 6051,
                     kLabelTitle = 6052, kLabelYear = 6053, kLabelComment = 6054, kLabelDuration = 6055;

// The title form's eight texts, as typed.
struct TitleForm {
  std::string genre, artist, album, title, year, comment, duration, path;
};

// A file picked in the form: its duration always, its other texts only where the
// user left the field empty (the year where it is empty or 0).
void TitleForm_Complete(TitleForm& form, const TitleForm& from_file);

// "M", "M:S" or "M.S" (seconds below 60) into seconds; empty is 0. Nullopt for
// anything else, negatives and numbers too large among them.
std::optional<int32_t> AudioDbTree_ParseDuration(const std::string& text);
// Up to four digits; empty is 0.
std::optional<int32_t> AudioDbTree_ParseYear(const std::string& text);

class AudioDbTree {
 public:
  explicit AudioDbTree(AudioDatabase& db);

  AudioDatabase& Database() { return db_; }
  const DbNode& Root() const { return *root_; }
  void Build();  // the tree afresh from the database

  // The node of that record or of that name at that level; null when gone.
  const DbNode* FindTitle(const TitleRecord* record) const;
  const DbNode* FindGroup(int level, NameRef name) const;
  // The title records under node (or node's own), depth first in tree order.
  static std::vector<const TitleRecord*> TitlesUnder(const DbNode& node);

  // The form for a title, and an empty one with the names a drop position gives.
  TitleForm FormOf(const TitleRecord& record) const;
  static TitleForm FormAt(const GroupNames& names);

  // The form's "_Ok": editing null appends, else replaces that record (which must
  // still be in the database). Everything is checked before any name is added, so
  // a refused form changes nothing. A database error ends it silently (false,
  // refusal without text). The path is made absolute when the file exists.
  bool Submit(const TitleForm& form, const TitleRecord* editing, DbRefusal* refusal);
  // Renames a group node's name; every title using it follows.
  bool Rename(const DbNode& group, const std::string& text, DbRefusal* refusal);
  // Deletes a title, or a name no title uses; false when nothing was deleted.
  bool Delete(const DbNode& node);
  // A node dropped onto target (null: the root): the titles under it take the
  // target's names for the levels above the node's own. Refused (false) onto the
  // node itself or below it, and for genres, which no record would follow.
  bool Regroup(const DbNode& node, const DbNode* target);

 private:
  DbNode* InsertTitle(const TitleRecord& record);
  DbNode* ChildGroup(DbNode& parent, int level, NameRef name);
  bool AddMissingNames(const TitleForm& form, GroupNames* names);

  AudioDatabase& db_;
  std::unique_ptr<DbNode> root_;
};

}  // namespace audiodb
