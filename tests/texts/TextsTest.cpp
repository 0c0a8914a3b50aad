#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/Texts.h"
#include "support/TestSupport.h"

using testsupport::TempDir;

namespace {

struct IdRange {
  int32_t first;
  int32_t last;
};
constexpr std::array<IdRange, 9> kRanges{{{0, 2},
                                          {1000, 1020},
                                          {2000, 2029},
                                          {3000, 3017},
                                          {4000, 4000},
                                          {5000, 5071},
                                          {6000, 6085},
                                          {9000, 9004},
                                          {10000, 10004}}};

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_.empty())
      ::unsetenv(name_);
    else
      ::setenv(name_, old_.c_str(), 1);
  }

 private:
  const char* name_;
  std::string old_;
};

// Compiles a German catalogue for the tunewright domain under folder.
bool MakeCatalogue(const std::string& folder, const std::string& po_text) {
  const std::string messages = folder + "/de/LC_MESSAGES";
  std::filesystem::create_directories(messages);
  testsupport::WriteTextFile(folder + "/tunewright.po", po_text);
  return testsupport::Run("msgfmt -o " + testsupport::ShellQuote(messages + "/tunewright.mo") +
                          " " + testsupport::ShellQuote(folder + "/tunewright.po"))
             .exit_code == 0;
}

}  // namespace

TEST(Texts, TableHoldsEveryIdentifierOfTheRangesInOrder) {
  ASSERT_EQ(Texts_Count(), 241);
  int index = 0;
  for (const IdRange& range : kRanges) {
    for (int32_t id = range.first; id <= range.last; ++id, ++index) {
      ASSERT_EQ(Texts_IdAt(index), id);
      EXPECT_STRNE(Texts_Get(id), "") << id;
    }
  }
  EXPECT_EQ(Texts_IdAt(241), -1);
}

TEST(Texts, EnglishTextsAreThoseTheProgramShows) {
  Texts_Close();  // never opened: does nothing
  EXPECT_STREQ(Texts_Get(0), "Supported formats are:\n");
  EXPECT_STREQ(Texts_Get(5017), "Enable the audio filter");
  EXPECT_STREQ(Texts_Get(7000), "");
  EXPECT_STREQ(Texts_Get(-1), "");
  EXPECT_STREQ(Texts_Get(3006),
               "\033iTotal time: \033b%02d:%02d:%02d\033n\033i   Titles: \033b%d\033n");
  EXPECT_STREQ(Texts_Get(4000), "File '%s' already exist\nDo you want to overwrite it ?");
  EXPECT_STREQ(Texts_Get(9000), "'%s' is not a valid playlist\n");
  EXPECT_STREQ(Texts_Get(9001), "Can't play file '%s'\n");
  EXPECT_STREQ(Texts_Get(5071),
               "Set up the title column of the list.\nSpecial chars: (% + char)\n"
               "   a: artist   A: album\n   c: comment  d: duration\n   f: filepath g: genre\n"
               "   t: title    T: type\n   y: year");
  EXPECT_STREQ(Texts_Get(10004), "Tracks");
}

TEST(Texts, TranslateBuildsNullTerminatedLabelLists) {
  const std::array<int32_t, 4> ids{6035, 6036, 0, 6037};
  const std::vector<const char*> labels = Texts_Translate(ids);
  ASSERT_EQ(labels.size(), 3u);
  EXPECT_STREQ(labels[0], "Low");
  EXPECT_STREQ(labels[1], "Medium");
  EXPECT_EQ(labels[2], nullptr);
  const std::array<int32_t, 2> empty{0, 6035};
  EXPECT_EQ(Texts_Translate(empty), std::vector<const char*>{nullptr});
  const std::array<int32_t, 2> unterminated{6014, 6015};
  EXPECT_EQ(Texts_Translate(unterminated).size(), 3u);
}

TEST(Texts, GettextCatalogueTranslatesByIdentifier) {
  if (!testsupport::HaveTool("msgfmt")) GTEST_SKIP() << "msgfmt (package gettext) not installed";
  TempDir dir;
  ASSERT_TRUE(MakeCatalogue(dir.path(),
                            "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                            "msgctxt \"5017\"\nmsgid \"Enable the audio filter\"\n"
                            "msgstr \"Den Audiofilter einschalten\"\n\n"
                            "msgctxt \"5018\"\nmsgid \"Enable the audio filter\"\n"
                            "msgstr \"Falscher Kontext\"\n\n"
                            "msgctxt \"6035\"\nmsgid \"Low\"\nmsgstr \"Niedrig\"\n\n"
                            "msgctxt \"7000\"\nmsgid \"\"\nmsgstr \"Nur im Katalog\"\n"));
  const ScopedEnv localedir("TUNEWRIGHT_LOCALEDIR", dir.path());
  const ScopedEnv all("LC_ALL", "C.UTF-8");
  const ScopedEnv language("LANGUAGE", "de");
  ASSERT_TRUE(Texts_Open());
  EXPECT_STREQ(Texts_Get(5017), "Den Audiofilter einschalten");
  EXPECT_STREQ(Texts_Get(5018), "Enable the stereo expand");  // other context, other msgid
  EXPECT_STREQ(Texts_Get(7000), "Nur im Katalog");
  EXPECT_STREQ(Texts_Get(2000), "Project");  // untranslated: English
  const std::array<int32_t, 3> ids{6035, 6036, 0};
  const std::vector<const char*> labels = Texts_Translate(ids);
  EXPECT_STREQ(labels[0], "Niedrig");
  EXPECT_STREQ(labels[1], "Medium");
  Texts_Close();
  EXPECT_STREQ(Texts_Get(5017), "Enable the audio filter");
  EXPECT_STREQ(Texts_Get(7000), "");
}

TEST(Texts, MissingCatalogueFallsBackToEnglish) {
  TempDir dir;
  const ScopedEnv localedir("TUNEWRIGHT_LOCALEDIR", dir.path());
  const ScopedEnv all("LC_ALL", "C.UTF-8");
  const ScopedEnv language("LANGUAGE", "fr");
  EXPECT_FALSE(Texts_Open());
  EXPECT_STREQ(Texts_Get(5017), "Enable the audio filter");
  Texts_Close();
}
