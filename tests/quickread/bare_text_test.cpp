#include "quickread/bare_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "reference_extractor.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

TEST(BareText, RemovesTagsLinksAndWhiteSpace) {
  struct Case {
    const char* what;
    Text html;
    Text expected;
  };
  const Case cases[] = {
      {"tags go, content stays", "<div class=x><p>one</p> two</div>", "onetwo"},
      {"an anchor goes with its link text", "a<a href=x>link</a>b", "ab"},
      {"anchor in capitals", "a<A HREF=x>link</A>b", "ab"},
      {"an anchor without its end is an ordinary tag", "<a href=x>link", "link"},
      {"\"<a\" without the space is an ordinary tag", "<a>link</a>", "link"},
      {"the anchor runs to the first /a>, not its own", "<a x>1</a>2</a>3", "23"},
      {"every white-space byte", "x \t\r\n\v\fy", "xy"},
      {"a lone < stays", "a < b", "a<b"},
      {"< then > as the only character stays", "<>", "<>"},
      {"the lazy part takes a character first", "<>>x", "x"},
      {"an anchor needs a character before /a>", "<a /a>x", "x"},
      {"full-width space is not white space", gbk("甲　乙"), gbk("甲　乙")},
      {"a > as a trail byte ends no tag", "<b\x81>c>d", "d"},
      {"a < as a trail byte starts no tag", "\x81<b>", "\x81<b>"},
      {"lone lead byte at the end", "<b>x</b>\x81", "x\x81"},
      {"NUL bytes are text", Text("<b>\0x</b>", 9), Text("\0x", 2)},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BareText(c.html), c.expected) << c.what;
    EXPECT_EQ(reference::BareTextByPatterns(c.html), c.expected) << c.what << " (patterns)";
  }
}

// Random bytes drawn from the pieces that decide tag edges.
Text RandomMarkup(std::mt19937& random, size_t pieces) {
  static const char* const kPieces[] = {
      "<",     ">",     "<a ",   "<A ",    "/a>",        "/A>",      "</a>", " ",
      "\r\n",  "\t",    "x",     "yz",     "div",        "\xB0\xA1", "\x81", "\x81<",
      "\xFE>", "\x81/", "<div>", "</div>", "<a href=1>", "=",        "\0"};
  Text out;
  for (size_t i = 0; i < pieces; ++i) {
    const char* piece = kPieces[random() % std::size(kPieces)];
    if (*piece == '\0') {
      out.push_back('\0');
    } else {
      out += piece;
    }
  }
  return out;
}

TEST(BareText, AgreesWithThePatternsOnRandomMarkup) {
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    const Text html = RandomMarkup(random, random() % 40);
    ASSERT_EQ(BareText(html), reference::BareTextByPatterns(html))
        << ::testing::PrintToString(html);
  }
}

TEST(BareTextIndex, PartsEqualTheBareTextOfTheirBytes) {
  std::mt19937 random(12);
  for (int round = 0; round < 300; ++round) {
    const Text page = RandomMarkup(random, 10 + random() % 60);
    BareTextIndex index(page);
    for (int part = 0; part < 40; ++part) {
      size_t a = random() % (page.size() + 1), b = random() % (page.size() + 1);
      if (a > b) std::swap(a, b);
      // Element starts are "<" and element ends follow ">", the cases the index speeds up.
      if (part % 2 == 0) {
        a = page.find('<', a);
        b = page.find('>', b);
        if (a == Text::npos || b == Text::npos || a > b) continue;
        ++b;
      }
      ASSERT_EQ(index.Of(a, b).ToText(), BareText(std::string_view(page).substr(a, b - a)))
          << ::testing::PrintToString(page) << " [" << a << ", " << b << ")";
    }
  }
}

TEST(BareTextIndex, ContainmentAndHashFollowTheBytes) {
  const Text page = "<div><p>abc</p><div>bc</div></div><p>abc</p>";
  BareTextIndex index(page);
  const BareRef outer = index.Of(0, 34), inner = index.Of(15, 28);
  const BareRef last = index.Of(34, page.size());
  auto text = [](std::string_view t) { return BareRef(t); };
  EXPECT_EQ(outer.ToText(), "abcbc");
  EXPECT_EQ(inner.ToText(), "bc");
  EXPECT_TRUE(index.Contains(outer, inner));
  EXPECT_TRUE(index.Contains(outer, text("cb")));
  EXPECT_FALSE(index.Contains(inner, outer));
  EXPECT_TRUE(index.Contains(inner, text("")));
  EXPECT_FALSE(index.Contains(text(""), text("")));
  EXPECT_EQ(index.Hash(last), index.Hash(text("abc")));
  EXPECT_TRUE(last == text("abc"));
  EXPECT_EQ(index.Hash(index.Of(11, 28)), index.Hash(inner));  // "</p>" adds nothing
  // A character is never matched from its second byte.
  EXPECT_FALSE(index.Contains(text("\xB0\xA1"), text("\xA1")));
}

TEST(BareRef, PiecesCompareAndHashAsTheirBytes) {
  const Text one = "abcdef", two = "abc", three = "def";
  BareRef joined;
  ASSERT_TRUE(joined.Add(two));
  ASSERT_TRUE(joined.Add(three));
  EXPECT_EQ(joined.PieceCount(), 2u);
  EXPECT_TRUE(joined == BareRef(one));
  EXPECT_FALSE(joined == BareRef(std::string_view("abcdeg")));
  BareTextIndex index("");
  EXPECT_EQ(index.Hash(joined), index.Hash(BareRef(one)));
  // Slices that continue each other become one.
  BareRef halves;
  halves.Add(std::string_view(one).substr(0, 3));
  halves.Add(std::string_view(one).substr(3));
  EXPECT_EQ(halves.PieceCount(), 1u);
  BareRef full;
  for (const char* piece : {"a", "b", "c"}) ASSERT_TRUE(full.Add(std::string_view(piece, 1)));
  EXPECT_FALSE(full.Add("d"));
}

}  // namespace
}  // namespace plexaro
