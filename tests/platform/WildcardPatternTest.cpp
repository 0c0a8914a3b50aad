#include <gtest/gtest.h>

#include "platform/WildcardPattern.h"

using platform::WildcardPattern;

TEST(WildcardPattern, MatchesTheUsualForms) {
  const WildcardPattern plst("#?.plst");
  EXPECT_TRUE(plst.Matches("/home/u/Party.PLST"));
  EXPECT_TRUE(plst.Matches(".plst"));
  EXPECT_FALSE(plst.Matches("list.plst.bak"));
  EXPECT_TRUE(WildcardPattern("#?").Matches(""));
  EXPECT_TRUE(WildcardPattern("a?c").Matches("ABC"));
  EXPECT_FALSE(WildcardPattern("a?c").Matches("ac"));
  EXPECT_TRUE(WildcardPattern("#?.(wav|aiff)").Matches("x.aiff"));
  EXPECT_FALSE(WildcardPattern("#?.(wav|aiff)").Matches("x.mp3"));
  EXPECT_TRUE(WildcardPattern("~(#?.kok)").Matches("song.wav"));
  EXPECT_FALSE(WildcardPattern("~(#?.kok)").Matches("song.kok"));
  EXPECT_TRUE(WildcardPattern("track[0-9]#[0-9]").Matches("track042"));
  EXPECT_FALSE(WildcardPattern("track[0-9]#[0-9]").Matches("trackx"));
  EXPECT_TRUE(WildcardPattern("*.m3u").Matches("a.M3U"));
  EXPECT_TRUE(WildcardPattern("100'%").Matches("100%"));
}

TEST(WildcardPattern, BrokenPatternsStillEnd) {
  for (const char* pattern : {"(", "(a|", "[", "#", "~", "'", "(((#?", "#(#?)#?x"}) {
    const WildcardPattern p(pattern);
    p.Matches(std::string(40, 'a'));  // must simply return
  }
  SUCCEED();
}
