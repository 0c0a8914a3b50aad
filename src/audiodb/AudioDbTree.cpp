#include "audiodb/AudioDbTree.h"

#include <cstdio>
#include <cstdlib>

#include <algorithm>

namespace audiodb {
namespace {

constexpr int kGroupLabels[kNameListCount] = {kLabelGenre, kLabelArtist, kLabelAlbum};

NameRef& NameOf(TitleRecord& record, int list) {
  return list == kGenreList ? record.genre : list == kArtistList ? record.artist : record.album;
}

NameRef NameOf(const TitleRecord& record, int list) {
  return NameOf(const_cast<TitleRecord&>(record), list);
}

// Sorted without regard to case, as a user reads a list of names.
bool SortsBefore(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return lower(x) < lower(y);
  });
}

DbNode* InsertSorted(DbNode& parent, std::unique_ptr<DbNode> node) {
  node->parent = &parent;
  auto at = std::upper_bound(parent.children.begin(), parent.children.end(), node,
                             [](const auto& a, const auto& b) { return SortsBefore(a->Text(), b->Text()); });
  return parent.children.insert(at, std::move(node))->get();
}

// Digits only, at most max_digits of them, as a number.
std::optional<int64_t> Digits(const std::string& text, size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }
// Titles, comments and paths are stored between double quotes.
bool FitsQuoted(const std::string& text) { return text.find_first_of("\r\n\"") == std::string::npos; }

void CollectTitles(const DbNode& node, std::vector<const TitleRecord*>& out) {
  if (node.record) out.push_back(node.record);
  for (const auto& child : node.children) CollectTitles(*child, out);
}

bool Refuse(DbRefusal* refusal, int text_id, int word_id, const std::string& word = {}) {
  if (refusal) *refusal = DbRefusal{text_id, word_id, word};
  return false;
}

}  // namespace

bool DbNode::IsDescendantOf(const DbNode& node) const {
  for (const DbNode* at = this; at; at = at->parent)
    if (at == &node) return true;
  return false;
}

std::string AudioDbTree_MinSec(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

GroupNames AudioDbTree_NamesAt(const DbNode* target) {
  GroupNames names{};
  for (const DbNode* at = target; at; at = at->parent)
    if (at->level >= kGenreLevel && at->level <= kAlbumLevel) names[at->level] = at->name;
  return names;
}

void TitleForm_Complete(TitleForm& form, const TitleForm& from_file) {
  form.duration = from_file.duration;
  std::string TitleForm::*const texts[] = {&TitleForm::genre, &TitleForm::artist, &TitleForm::album,
                                           &TitleForm::comment, &TitleForm::title};
  for (auto text : texts)
    if ((form.*text).empty()) form.*text = from_file.*text;
  if (AudioDbTree_ParseYear(form.year).value_or(0) <= 0) form.year = from_file.year;
}

std::optional<int32_t> AudioDbTree_ParseDuration(const std::string& text) {
  if (text.empty()) return 0;
  const size_t mark = text.find_first_of(":.");
  // Minutes up to 7 digits keep the seconds inside 32 bits.
  const std::optional<int64_t> minutes = Digits(text.substr(0, mark), 7);
  if (!minutes) return std::nullopt;
  if (mark == std::string::npos) return static_cast<int32_t>(*minutes * 60);
  const std::string rest = text.substr(mark + 1);
  const std::optional<int64_t> seconds = rest.empty() ? std::optional<int64_t>(0) : Digits(rest, 2);
  if (!seconds || *seconds >= 60) return std::nullopt;
  return static_cast<int32_t>(*minutes * 60 + *seconds);
}

std::optional<int32_t> AudioDbTree_ParseYear(const std::string& text) {
  if (text.empty()) return 0;
  const std::optional<int64_t> year = Digits(text, 4);
  if (!year) return std::nullopt;
  return static_cast<int32_t>(*year);
}

AudioDbTree::AudioDbTree(AudioDatabase& db) : db_(db) { Build(); }

void AudioDbTree::Build() {
  root_ = std::make_unique<DbNode>();
  for (const auto& record : db_.titles) InsertTitle(*record);
}

DbNode* AudioDbTree::ChildGroup(DbNode& parent, int level, NameRef name) {
  for (const auto& child : parent.children)
    if (child->level == level && child->name == name) return child.get();
  auto node = std::make_unique<DbNode>();
  node->level = level;
  node->name = name;
  return InsertSorted(parent, std::move(node));
}

DbNode* AudioDbTree::InsertTitle(const TitleRecord& record) {
  DbNode* parent = root_.get();
  for (int list = 0; list < kNameListCount; ++list)
    if (NameRef name = NameOf(record, list)) parent = ChildGroup(*parent, list, name);
  parent->seconds += record.length;
  auto node = std::make_unique<DbNode>();
  node->level = kTitleLevel;
  node->record = &record;
  node->seconds = record.length;
  return InsertSorted(*parent, std::move(node));
}

namespace {
const DbNode* FindIn(const DbNode& node, int level, const void* what) {
  if (node.level == level && (node.record == what || (node.name && node.name == what))) return &node;
  for (const auto& child : node.children)
    if (const DbNode* found = FindIn(*child, level, what)) return found;
  return nullptr;
}
}  // namespace

const DbNode* AudioDbTree::FindTitle(const TitleRecord* record) const {
  return record ? FindIn(*root_, kTitleLevel, record) : nullptr;
}

const DbNode* AudioDbTree::FindGroup(int level, NameRef name) const {
  return name ? FindIn(*root_, level, name) : nullptr;
}

std::vector<const TitleRecord*> AudioDbTree::TitlesUnder(const DbNode& node) {
  std::vector<const TitleRecord*> titles;
  CollectTitles(node, titles);
  return titles;
}

TitleForm AudioDbTree::FormOf(const TitleRecord& record) const {
  TitleForm form = FormAt({record.genre, record.artist, record.album});
  form.title = record.title;
  form.year = record.year > 0 ? std::to_string(record.year) : "";
  form.comment = record.comment;
  form.duration = AudioDbTree_MinSec(record.length);
  form.path = record.path;
  return form;
}

TitleForm AudioDbTree::FormAt(const GroupNames& names) {
  TitleForm form;
  std::string* fields[kNameListCount] = {&form.genre, &form.artist, &form.album};
  for (int list = 0; list < kNameListCount; ++list)
    if (names[list]) *fields[list] = *names[list];
  return form;
}

bool AudioDbTree::AddMissingNames(const TitleForm& form, GroupNames* names) {
  const std::string* texts[kNameListCount] = {&form.genre, &form.artist, &form.album};
  for (int list = 0; list < kNameListCount; ++list) {
    (*names)[list] = nullptr;
    if (texts[list]->empty()) continue;
    int64_t position = AudioDb_FindName(db_, list, *texts[list]);
    if (position == 0) {
      if (AudioDb_AddName(db_, list, *texts[list]) != kAudioDbOk) return false;
      position = AudioDb_NameCount(db_, list);
    }
    (*names)[list] = AudioDb_NameAt(db_, list, position);
  }
  return true;
}

bool AudioDbTree::Submit(const TitleForm& form, const TitleRecord* editing, DbRefusal* refusal) {
  if (refusal) *refusal = {};
  const std::pair<const std::string*, int> names[] = {
      {&form.genre, kLabelGenre}, {&form.artist, kLabelArtist}, {&form.album, kLabelAlbum}};
  for (const auto& [text, label] : names)
    if (HasLineBreak(*text)) return Refuse(refusal, kTextBadCharacters, label);
  if (form.title.empty()) return Refuse(refusal, kTextMustNotBeEmpty, kLabelTitle);
  const std::pair<const std::string*, int> quoted[] = {
      {&form.title, kLabelTitle}, {&form.comment, kLabelComment}, {&form.path, kLabelFile}};
  for (const auto& [text, label] : quoted)
    if (!FitsQuoted(*text)) return Refuse(refusal, kTextBadCharacters, label);
  const std::optional<int32_t> year = AudioDbTree_ParseYear(form.year);
  if (!year) return Refuse(refusal, kTextBadNumber, kLabelYear);
  const std::optional<int32_t> length = AudioDbTree_ParseDuration(form.duration);
  if (!length) return Refuse(refusal, kTextBadNumber, kLabelDuration);
  const int64_t position = editing ? AudioDb_FindTitle(db_, editing) : 0;
  if (editing && position == 0) return false;  // the record is gone

  GroupNames refs{};
  if (!AddMissingNames(form, &refs)) return false;
  TitleRecord record;
  record.genre = refs[kGenreList];
  record.artist = refs[kArtistList];
  record.album = refs[kAlbumList];
  record.title = form.title;
  record.year = *year;
  record.comment = form.comment;
  record.length = *length;
  record.path = form.path;
  if (char* absolute = ::realpath(form.path.c_str(), nullptr)) {
    record.path = absolute;
    std::free(absolute);
  }
  const int result = editing ? AudioDb_UpdateTitle(db_, position, record) : AudioDb_AddTitle(db_, record);
  Build();
  return result == kAudioDbOk;
}

bool AudioDbTree::Rename(const DbNode& group, const std::string& text, DbRefusal* refusal) {
  if (refusal) *refusal = {};
  if (!group.name || group.level < kGenreLevel || group.level > kAlbumLevel) return false;
  const int label = kGroupLabels[group.level];
  if (text.empty()) return Refuse(refusal, kTextMustNotBeEmpty, label);
  if (HasLineBreak(text)) return Refuse(refusal, kTextBadCharacters, label);
  const int64_t position = AudioDb_PositionOf(db_, group.level, group.name);
  const int result = AudioDb_RenameName(db_, group.level, position, text);
  if (result == kAudioDbNameExists) return Refuse(refusal, kTextAlreadyExists, 0, text);
  Build();
  return result == kAudioDbOk;
}

// Only the node goes: its emptied groups stay in the tree so that they can be
// deleted in turn.
bool AudioDbTree::Delete(const DbNode& node) {
  int result = kAudioDbNoSuchItem;
  if (node.record) {
    result = AudioDb_RemoveTitle(db_, AudioDb_FindTitle(db_, node.record));
  } else if (node.name) {
    result = AudioDb_RemoveName(db_, node.level, AudioDb_PositionOf(db_, node.level, node.name));
  }
  if (result != kAudioDbOk || !node.parent) return false;
  DbNode& parent = *node.parent;
  if (node.level == kTitleLevel) parent.seconds -= node.seconds;
  std::erase_if(parent.children, [&](const auto& child) { return child.get() == &node; });
  return true;
}

bool AudioDbTree::Regroup(const DbNode& node, const DbNode* target) {
  if (node.level <= kGenreLevel) return false;
  if (target && target->IsDescendantOf(node)) return false;
  const GroupNames names = AudioDbTree_NamesAt(target);
  bool all = true;
  for (const TitleRecord* record : TitlesUnder(node)) {
    TitleRecord moved = *record;
    for (int list = 0; list < std::min(node.level, int{kNameListCount}); ++list) NameOf(moved, list) = names[list];
    all = AudioDb_UpdateTitle(db_, AudioDb_FindTitle(db_, record), moved) == kAudioDbOk && all;
  }
  Build();
  return all;
}

}  // namespace audiodb
