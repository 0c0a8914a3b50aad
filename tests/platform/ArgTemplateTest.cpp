#include <gtest/gtest.h>

#include "platform/ArgTemplate.h"

using platform::ArgTemplate;
using platform::SplitArgumentLine;

TEST(ArgTemplate, KeywordsPositionalsAndSwitches) {
  const ArgTemplate t("Name/M,V=Verbosity/N,AHI=AHIMode/K,GUI/S,Title/F");
  auto r = t.Parse({"a.wav", "verbosity", "3", "b.wav", "ahimode=3d0001", "gui"});
  ASSERT_TRUE(r);
  EXPECT_EQ((*r)[0].list, (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ((*r)[1].number, 3);
  EXPECT_EQ((*r)[2].text, "3d0001");
  EXPECT_TRUE((*r)[3].present);
  EXPECT_FALSE((*r)[4].present);

  r = t.Parse({"V=-2", "TITLE", "rest", "of", "line"});
  ASSERT_TRUE(r);
  EXPECT_EQ((*r)[1].number, -2);
  EXPECT_EQ((*r)[4].text, "rest of line");
}

TEST(ArgTemplate, RefusesWhatDoesNotMatch) {
  const ArgTemplate t("Name/M,V=Verbosity/N,AHI=AHIMode/K,GUI/S");
  EXPECT_FALSE(t.Parse({"NOPE=1"}));         // unknown keyword with a value
  EXPECT_FALSE(t.Parse({"V=abc"}));          // not a number
  EXPECT_FALSE(t.Parse({"V=99999999999"}));  // beyond 32 bits
  EXPECT_FALSE(t.Parse({"a.wav", "AHI"}));   // keyword without its value
  EXPECT_FALSE(t.Parse({"GUI=1"}));          // a switch takes no value
  EXPECT_TRUE(t.Parse({"/music/a=b.wav"}));  // '=' in a path is part of the name

  const ArgTemplate required("Pos/A/N,Key/K");
  EXPECT_FALSE(required.Parse({}));
  EXPECT_FALSE(required.Parse({"1", "2"}));  // a word too many
  EXPECT_TRUE(required.Parse({"1", "KEY", "x"}));
}

TEST(ArgTemplate, SplitsQuotedWords) {
  EXPECT_EQ(SplitArgumentLine(R"(open "my song.wav"  VOL=3 TITLE="a *"b*" c" "")"),
            (std::vector<std::string>{"open", "my song.wav", "VOL=3", "TITLE=a \"b\" c", ""}));
  EXPECT_TRUE(SplitArgumentLine("   ").empty());
  EXPECT_EQ(SplitArgumentLine("\"unterminated word"),
            (std::vector<std::string>{"unterminated word"}));
}
