#include <gtest/gtest.h>

#include "web/gbk.h"

namespace plexaro {
namespace {

TEST(GbkToUtf8Aligned, AgreesWithIconvOnValidText) {
  Text text;
  for (int i = 0; i < 300; ++i) text += gbk("标题 Title·《新闻》　ａｂ\r\n");
  EXPECT_EQ(GbkToUtf8Aligned(text), GbkToUtf8(text));
  EXPECT_EQ(GbkToUtf8Aligned(""), "");
}

TEST(GbkToUtf8Aligned, GivesOneCharacterForEachGbkCharacter) {
  struct Case {
    Text gbk;
    std::string utf8;
  } cases[] = {
      {Text("a\0b", 3), std::string("a\0b", 3)},
      {"\xFF\xFF"
       "a",
       "\xEF\xBF\xBD"
       "a"},  // no such character: one U+FFFD
      {"\x81\x20"
       "b",
       "\xEF\xBF\xBD"
       "b"},                                     // the space is its trail byte
      {"abcdefgh\xD6", "abcdefgh\xEF\xBF\xBD"},  // lone lead byte at the end
      {"\xD6\xD0\xD6", "\xE4\xB8\xAD\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) EXPECT_EQ(GbkToUtf8Aligned(c.gbk), c.utf8) << c.utf8;
}

}  // namespace
}  // namespace plexaro
