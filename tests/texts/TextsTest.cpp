#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "shell/Texts.h"
#include "support/TestSupport.h"

using testsupport::TempDir;

namespace {

struct IdRange {
  int32_t first;
  int32_t last;
};
constexpr std::array<IdRange, 10> kRanges{{{0, 2},
                                           {1000, 1020},
                                           {2000, 2031},
                                           {3000, 3017},
                                           {4000, 4000},
                                           {5000, 5071},
                                           {6000, 6109},
                                           {9000, 9010},
                                           {10000, 10005},
                                           {11000, 11006}}};

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

// The text of a PO string literal line ("..." with C escapes), without quotes.
std::string PoLiteral(const std::string& line) {
  const size_t open = line.find('"'), close = line.rfind('"');
  std::string text;
  for (size_t i = open + 1; i < close; ++i) {
    if (line[i] != '\\') {
      text += line[i];
      continue;
    }
    const char c = line[++i];
    if (c >= '0' && c <= '7') {
      text += static_cast<char>(std::stoi(line.substr(i, 3), nullptr, 8));
      i += 2;
    } else {
      text += c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
  }
  return text;
}

// The msgid of each message of a PO file or template, by its context.
std::map<std::string, std::string> MessagesByContext(const std::string& po_path) {
  std::map<std::string, std::string> messages;
  std::istringstream lines(testsupport::ReadTextFile(po_path));
  std::string line, context, keyword;
  while (std::getline(lines, line)) {
    if (line.starts_with("msgctxt ")) {
      keyword = "msgctxt";
      context = PoLiteral(line);
    } else if (line.starts_with("msgid ")) {
      keyword = "msgid";
      messages[context] = PoLiteral(line);
    } else if (line.starts_with("msgstr")) {
      keyword = "msgstr";
    } else if (line.starts_with("\"") && keyword == "msgid") {
      messages[context] += PoLiteral(line);
    }
  }
  return messages;
}

const std::string kTemplate = std::string(TW_TEST_BIN_DIR) + "/po/tunewright.pot";
const std::string kGermanSource = std::string(TW_TEST_SOURCE_DIR) + "/po/de.po";

// Standard output and error of the built program run with the given environment.
std::string ProgramOutput(const std::string& environment, const std::string& arguments) {
  return testsupport::Run(
             "env -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE -u TUNEWRIGHT_LOCALEDIR " +
             environment + " " + testsupport::BuiltProgram("tunewright") + " " + arguments +
             " 2>&1")
      .out;
}

}  // namespace

TEST(Texts, TableHoldsEveryIdentifierOfTheRangesInOrder) {
  ASSERT_EQ(Texts_Count(), 281);
  int index = 0;
  for (const IdRange& range : kRanges) {
    for (int32_t id = range.first; id <= range.last; ++id, ++index) {
      ASSERT_EQ(Texts_IdAt(index), id);
      EXPECT_STRNE(Texts_Get(id), "") << id;
    }
  }
  EXPECT_EQ(Texts_IdAt(281), -1);
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
  TW_REQUIRE_TOOLS("msgfmt");
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

TEST(Texts, TemplateHoldsEveryTextUnderItsIdentifier) {
  const std::map<std::string, std::string> messages = MessagesByContext(kTemplate);
  ASSERT_FALSE(messages.empty()) << "no template at " << kTemplate;
  EXPECT_EQ(messages.size(), static_cast<size_t>(Texts_Count()) + 1);  // and the header
  for (int i = 0; i < Texts_Count(); ++i) {
    const int32_t id = Texts_IdAt(i);
    const auto found = messages.find(std::to_string(id));
    ASSERT_NE(found, messages.end()) << "text " << id << " missing from the template";
    EXPECT_EQ(found->second, Texts_Get(id)) << id;
  }
}

TEST(Texts, GermanCatalogueTranslatesEveryTextAndIsUsed) {
  TW_REQUIRE_TOOLS("msgcmp");
  // Every message of the template is translated, and none is fuzzy.
  EXPECT_EQ(testsupport::Run("msgcmp " + testsupport::ShellQuote(kGermanSource) + " " +
                             testsupport::ShellQuote(kTemplate))
                .exit_code,
            0);
  const ScopedEnv localedir("TUNEWRIGHT_LOCALEDIR", std::string(TW_TEST_BIN_DIR) + "/locale");
  const ScopedEnv all("LC_ALL", "C.UTF-8");
  const ScopedEnv language("LANGUAGE", "de");
  ASSERT_TRUE(Texts_Open());
  EXPECT_STREQ(Texts_Get(0), "Unterstützte Formate:\n");
  EXPECT_STREQ(Texts_Get(9001), "Die Datei '%s' kann nicht abgespielt werden\n");
  // Names such as "Album", "Mono" or "MPEG" read the same in German; the rest must not.
  const std::map<std::string, std::string> english = MessagesByContext(kTemplate);
  int same_as_english = 0;
  for (int i = 0; i < Texts_Count(); ++i) {
    const int32_t id = Texts_IdAt(i);
    if (english.at(std::to_string(id)) == Texts_Get(id)) ++same_as_english;
  }
  EXPECT_LT(same_as_english, 20);
  Texts_Close();
}

TEST(Texts, ProgramSpeaksTheLanguageAskedEvenWithoutItsLocale) {
  const std::string german = "Unterstützte Formate:";
  const std::string english = "Supported formats are:";
  // C.UTF-8 lets LANGUAGE choose; a locale that is not generated here falls
  // back to it; the plain C locale keeps the program's own English.
  EXPECT_NE(ProgramOutput("LANG=C.UTF-8 LANGUAGE=de", "NOPE=1").find(german), std::string::npos);
  EXPECT_NE(ProgramOutput("LC_ALL=de_XX.UTF-8 LANGUAGE=de", "NOPE=1").find(german),
            std::string::npos);
  EXPECT_NE(ProgramOutput("LANG=de_XX.UTF-8", "NOPE=1").find(german), std::string::npos);
  EXPECT_NE(ProgramOutput("LANG=C LANGUAGE=de", "NOPE=1").find(english), std::string::npos);
  EXPECT_NE(ProgramOutput("LANG=C.UTF-8 LANGUAGE=fr", "NOPE=1").find(english), std::string::npos);
}
