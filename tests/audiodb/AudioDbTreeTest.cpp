// The database window's model: the tree, the title form's checks, renames,
// deletes and regrouping, on a real database without any window.
#include <gtest/gtest.h>

#include "audiodb/AudioDbTree.h"

using namespace audiodb;

namespace {

// "Label seconds" per node, indented by depth, as the tree shows them.
void Dump(const DbNode& node, int depth, std::string& out) {
  for (const auto& child : node.children) {
    out += std::string(depth * 2, ' ') + child->Text();
    if (child->level == kAlbumLevel) out += " " + AudioDbTree_MinSec(child->seconds);
    out += "\n";
    Dump(*child, depth + 1, out);
  }
}

std::string Dump(const AudioDbTree& tree) {
  std::string out;
  Dump(tree.Root(), 0, out);
  return out;
}

class DbTree : public ::testing::Test {
 protected:
  // Rock / Band / Record: "b" 2:00 and "a" 1:05; Pop / Solo: "Loose"; "Bare" at the root.
  void SetUp() override {
    Add({"Rock", "Band", "Record", "b", "", "", "2:00", "/b.mp3"});
    Add({"rock", "band", "RECORD", "a", "1999", "", "1:05", "/a.mp3"});
    Add({"Pop", "Solo", "", "Loose", "", "", "0:30", "/l.mp3"});
    Add({"", "", "", "Bare", "", "", "", "/bare.mp3"});
  }
  void Add(const TitleForm& form) {
    DbRefusal refusal;
    ASSERT_TRUE(tree_.Submit(form, nullptr, &refusal)) << refusal.text_id;
  }
  const DbNode& Group(int level, const char* name) {
    return *tree_.FindGroup(level, AudioDb_NameAt(db_, level, AudioDb_FindName(db_, level, name)));
  }
  const DbNode& TitleNode(const char* title) {
    return *tree_.FindTitle(AudioDb_TitleAt(db_, AudioDb_FindTitleByTitle(db_, title)));
  }

  AudioDatabase db_;
  AudioDbTree tree_{db_};
};

}  // namespace

TEST(DbTreeForm, DurationsAndYearsAreParsedWithRangeChecks) {
  EXPECT_EQ(AudioDbTree_ParseDuration("3:5"), 185);
  EXPECT_EQ(AudioDbTree_ParseDuration("3:05"), 185);
  EXPECT_EQ(AudioDbTree_ParseDuration("3.5"), 185);
  EXPECT_EQ(AudioDbTree_ParseDuration("3"), 180);
  EXPECT_EQ(AudioDbTree_ParseDuration("3:"), 180);
  EXPECT_EQ(AudioDbTree_ParseDuration(""), 0);
  EXPECT_EQ(AudioDbTree_ParseDuration("9999999:59"), 599999999);
  for (const char* bad : {"3:75", "3:60", "-3:00", "3:-5", "12345678", "99999999999999999999:00", "1:2:3",
                          ":5", "3:123", "a:b"})
    EXPECT_EQ(AudioDbTree_ParseDuration(bad), std::nullopt) << bad;
  EXPECT_EQ(AudioDbTree_ParseYear("1987"), 1987);
  EXPECT_EQ(AudioDbTree_ParseYear(""), 0);
  EXPECT_EQ(AudioDbTree_ParseYear("12345"), std::nullopt);
  EXPECT_EQ(AudioDbTree_ParseYear("-1"), std::nullopt);
  EXPECT_EQ(AudioDbTree_MinSec(185), "03:05");
  EXPECT_EQ(AudioDbTree_MinSec(6000 * 60), "6000:00");
  EXPECT_EQ(AudioDbTree_MinSec(-5), "00:00");
}

TEST_F(DbTree, TitlesHangUnderTheirNamesWithAlbumSumsAndBareTitlesAtTheRoot) {
  EXPECT_EQ(Dump(tree_),
            "Bare\n"
            "Pop\n  Solo\n    Loose\n"
            "Rock\n  Band\n    Record 03:05\n      a\n      b\n");
  // Names already there were found without regard to case, not added again.
  EXPECT_EQ(AudioDb_NameCount(db_, kGenreList), 2);
  EXPECT_EQ(AudioDb_NameCount(db_, kAlbumList), 1);
  EXPECT_EQ(AudioDbTree::TitlesUnder(Group(kGenreLevel, "Rock")).size(), 2u);
  EXPECT_EQ(AudioDbTree::TitlesUnder(Group(kGenreLevel, "Rock"))[0]->title, "a");
  const TitleForm form = tree_.FormOf(*TitleNode("a").record);
  EXPECT_EQ(form.genre, "Rock");
  EXPECT_EQ(form.year, "1999");
  EXPECT_EQ(form.duration, "01:05");
}

TEST_F(DbTree, ARefusedFormChangesNothingAndNamesNoneOfItsFields) {
  const std::string before = Dump(tree_);
  struct Case {
    TitleForm form;
    int text_id, word_id;
  };
  const Case cases[] = {
      {{"Jazz", "New", "Newer", "", "", "", "", "/x"}, kTextMustNotBeEmpty, kLabelTitle},
      {{"Jazz", "", "", "Say \"hi\"", "", "", "", "/x"}, kTextBadCharacters, kLabelTitle},
      {{"Jazz", "", "", "T", "", "two\nlines", "", "/x"}, kTextBadCharacters, kLabelComment},
      {{"Ja\rzz", "", "", "T", "", "", "", "/x"}, kTextBadCharacters, kLabelGenre},
      {{"Jazz", "", "", "T", "", "", "", "/a\"b"}, kTextBadCharacters, kLabelFile},
      {{"Jazz", "", "", "T", "", "", "3:75", "/x"}, kTextBadNumber, kLabelDuration},
      {{"Jazz", "", "", "T", "", "", "-1", "/x"}, kTextBadNumber, kLabelDuration},
      {{"Jazz", "", "", "T", "123456", "", "", "/x"}, kTextBadNumber, kLabelYear},
  };
  for (const Case& c : cases) {
    DbRefusal refusal;
    EXPECT_FALSE(tree_.Submit(c.form, nullptr, &refusal));
    EXPECT_EQ(refusal.text_id, c.text_id);
    EXPECT_EQ(refusal.word_id, c.word_id);
  }
  EXPECT_EQ(Dump(tree_), before);
  EXPECT_EQ(AudioDb_FindName(db_, kGenreList, "Jazz"), 0);
  EXPECT_EQ(AudioDb_NameCount(db_, kArtistList), 2);

  // Editing replaces the record in place; a record deleted meanwhile is not revived.
  const TitleRecord* a = TitleNode("a").record;
  TitleForm edited = tree_.FormOf(*a);
  edited.title = "A edited";
  edited.duration = "3:5";
  ASSERT_TRUE(tree_.Submit(edited, a, nullptr));
  EXPECT_EQ(a->length, 185);
  EXPECT_EQ(Group(kAlbumLevel, "Record").seconds, 305);
  ASSERT_TRUE(tree_.Delete(TitleNode("A edited")));
  EXPECT_FALSE(tree_.Submit(edited, a, nullptr));
  EXPECT_EQ(AudioDb_TitleCount(db_), 3);
}

TEST_F(DbTree, RenamesAndDeletesFollowTheNamesRules) {
  DbRefusal refusal;
  EXPECT_FALSE(tree_.Rename(Group(kArtistLevel, "Band"), "SOLO", &refusal));
  EXPECT_EQ(refusal.text_id, kTextAlreadyExists);
  EXPECT_EQ(refusal.word, "SOLO");
  EXPECT_FALSE(tree_.Rename(Group(kArtistLevel, "Band"), "", &refusal));
  EXPECT_EQ(refusal.text_id, kTextMustNotBeEmpty);
  EXPECT_EQ(refusal.word_id, kLabelArtist);
  EXPECT_FALSE(tree_.Rename(Group(kArtistLevel, "Band"), "Two\nlines", &refusal));
  EXPECT_EQ(refusal.text_id, kTextBadCharacters);
  ASSERT_TRUE(tree_.Rename(Group(kArtistLevel, "Band"), "BAND", &refusal));  // its own name, recased
  ASSERT_TRUE(tree_.Rename(Group(kArtistLevel, "BAND"), "The Band", &refusal));
  EXPECT_EQ(*TitleNode("a").record->artist, "The Band");

  // A name in use stays; once its titles are gone it goes, and later names move up.
  EXPECT_FALSE(tree_.Delete(Group(kArtistLevel, "The Band")));
  EXPECT_EQ(AudioDb_NameCount(db_, kArtistList), 2);
  ASSERT_TRUE(tree_.Delete(TitleNode("a")));
  EXPECT_EQ(Group(kAlbumLevel, "Record").seconds, 120);
  ASSERT_TRUE(tree_.Delete(TitleNode("b")));
  EXPECT_EQ(Dump(tree_), "Bare\nPop\n  Solo\n    Loose\nRock\n  The Band\n    Record 00:00\n");
  ASSERT_TRUE(tree_.Delete(Group(kArtistLevel, "The Band")));
  EXPECT_EQ(*AudioDb_NameAt(db_, kArtistList, 1), "Solo");
  EXPECT_EQ(Dump(tree_), "Bare\nPop\n  Solo\n    Loose\nRock\n");
}

TEST_F(DbTree, DropsRegroupTitlesAndRefuseWhatNoRecordCouldFollow) {
  const std::string before = Dump(tree_);
  EXPECT_FALSE(tree_.Regroup(Group(kArtistLevel, "Band"), &Group(kArtistLevel, "Band")));
  EXPECT_FALSE(tree_.Regroup(Group(kArtistLevel, "Band"), &TitleNode("a")));
  EXPECT_FALSE(tree_.Regroup(Group(kGenreLevel, "Pop"), &Group(kAlbumLevel, "Record")));
  EXPECT_FALSE(tree_.Regroup(Group(kGenreLevel, "Pop"), nullptr));
  EXPECT_EQ(Dump(tree_), before);

  // A title dropped on a genre takes that genre and loses artist and album.
  ASSERT_TRUE(tree_.Regroup(TitleNode("b"), &Group(kGenreLevel, "Pop")));
  EXPECT_EQ(Dump(tree_),
            "Bare\nPop\n  b\n  Solo\n    Loose\n"
            "Rock\n  Band\n    Record 01:05\n      a\n");
  // An album dropped on an artist keeps its name and takes the artist's genre and artist.
  ASSERT_TRUE(tree_.Regroup(Group(kAlbumLevel, "Record"), &Group(kArtistLevel, "Solo")));
  // An artist dropped on the root leaves its genre.
  EXPECT_EQ(Dump(tree_), "Bare\nPop\n  b\n  Solo\n    Loose\n    Record 01:05\n      a\n");
  EXPECT_EQ(AudioDbTree::FormAt(AudioDbTree_NamesAt(&TitleNode("a"))).genre, "Pop");
  // An artist dropped on the root leaves its genre, with everything beneath it.
  ASSERT_TRUE(tree_.Regroup(Group(kArtistLevel, "Solo"), nullptr));
  EXPECT_EQ(Dump(tree_), "Bare\nPop\n  b\nSolo\n  Loose\n  Record 01:05\n    a\n");
}
