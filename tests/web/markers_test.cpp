#include "web/markers.h"

#include <gtest/gtest.h>

#include <random>

#include "web/gbk.h"

namespace plexaro {
namespace {

TEST(PairsToQuotes, ReplacesEachPairOfSingleQuotes) {
  EXPECT_EQ(PairsToQuotes("class=''a'' x='b' '''"), "class=\"a\" x='b' \"'");
  EXPECT_EQ(PairsToQuotes(""), "");
  // The second byte of "\x81'" is part of a double-byte character, not a quote.
  EXPECT_EQ(PairsToQuotes("\x81''"), "\x81''");
}

TEST(TextBetween, IgnoresCaseAndMovesPositionPastEndMarker) {
  Text page = "<html><TITLE>Hello</TITLE><p>";
  long position = 1;
  EXPECT_EQ(TextBetween(page, "<title>", "</title>", &position), "Hello");
  EXPECT_EQ(position, 27);  // the byte after "</TITLE>"
}

TEST(TextBetween, QuotePairsMatchQuotedAndUnquotedAttributes) {
  EXPECT_EQ(TextBetween("<div class=\"t\">A</div>", "<div class=''t''>", "</div>"), "A");
  EXPECT_EQ(TextBetween("<div class=t>B</div>", "<div class=''t''>", "</div>"), "B");
  // Kept pairs are searched literally first, then without double quotes (no change).
  EXPECT_EQ(TextBetween("<a x=''1''>C</a>", "<a x=''1''>", "</a>", nullptr, false, 0, 0, true),
            "C");
  EXPECT_EQ(TextBetween("<a x=\"1\">C</a>", "<a x=''1''>", "</a>", nullptr, false, 0, 0, true), "");
}

TEST(TextBetween, EmptyMarkersMeanStartOrEndOfText) {
  long position = 1;
  EXPECT_EQ(TextBetween("abc<b>tail", "<b>", "", &position), "tail");
  // Positions count in the source extended by "#Zavrin尾#" (10 GBK bytes).
  EXPECT_EQ(position, 10 + 1 + 10);
  position = 1;
  EXPECT_EQ(TextBetween("head<b>tail", "", "<b>", &position), "head");
  // ... and here in the source with "#Zavrin头#" in front.
  EXPECT_EQ(position, 10 + 4 + 3 + 1);
  EXPECT_EQ(TextBetween("whole", "", ""), "whole");
  EXPECT_EQ(TextBetween("", "", ""), "");
}

TEST(TextBetween, WalksRepeatedElementsForwardThenFailsKeepingPosition) {
  Text page = "<li>one</li><li>two</li>";
  long position = 1;
  EXPECT_EQ(TextBetween(page, "<li>", "</li>", &position), "one");
  EXPECT_EQ(position, 13);
  EXPECT_EQ(TextBetween(page, "<li>", "</li>", &position), "two");
  EXPECT_EQ(position, 25);
  EXPECT_EQ(TextBetween(page, "<li>", "</li>", &position), "");
  EXPECT_EQ(position, 25);
}

TEST(TextBetween, ReverseModeTakesStartNearestBeforeEnd) {
  Text page = "<a>x<a>y</a><a>z</a>";
  long position = 1;
  EXPECT_EQ(TextBetween(page, "<a>", "</a>", &position, true), "y");
  EXPECT_EQ(position, 13);
  EXPECT_EQ(TextBetween(page, "<a>", "</a>", &position, true), "z");
  EXPECT_EQ(TextBetween("x</a>", "<a>", "</a>", nullptr, true), "");
}

TEST(TextBetween, SkipAndDropTrimThePiece) {
  EXPECT_EQ(TextBetween("[abcdef]", "[", "]", nullptr, false, 2, 1), "cde");
  EXPECT_EQ(TextBetween("[abc]", "[", "]", nullptr, false, 2, 1), "");
  EXPECT_EQ(TextBetween("[abc]", "[", "]", nullptr, false, 9, 0), "");
  // A negative drop reaches into the end marker, as the arithmetic says.
  EXPECT_EQ(TextBetween("[ab]]", "[", "]]", nullptr, false, 0, -1), "ab]");
  EXPECT_EQ(TextBetween("[ab]", "[", "]", nullptr, false, LONG_MAX, LONG_MIN), "");
}

TEST(TextBetween, NeverMatchesOnTrailBytes) {
  // "\x81<" is one character: its second byte is not a "<".
  EXPECT_EQ(TextBetween("\x81<b>x<b>y</b>", "<b>", "</b>"), "y");
}

TEST(TextBetween, BadInputGivesEmptyText) {
  long position = 1;
  EXPECT_EQ(TextBetween("ab", "<longer marker>", "</longer marker>", &position), "");
  EXPECT_EQ(position, 1);
  position = 999;
  EXPECT_EQ(TextBetween("<b>x</b>", "<b>", "</b>", &position), "");
  EXPECT_EQ(position, 999);
  position = -5;  // below 1 means 1
  EXPECT_EQ(TextBetween("<b>x</b>", "<b>", "</b>", &position), "x");
  Text withNul("<b>a\0b</b>", 10);
  EXPECT_EQ(TextBetween(withNul, "<b>", "</b>"), Text("a\0b", 3));
  // A lone lead byte at the end swallows the first byte of the end fill-in, which is
  // then not found.
  EXPECT_EQ(TextBetween("<b>x\xB0", "<b>", ""), "");
}

// The algorithm as written: the fill-in literals really joined to the source.
Text ReferenceTextBetween(std::string_view source, Text start, Text end, long* position,
                          bool reverse, long skip, long drop) {
  start = PairsToQuotes(start);
  end = PairsToQuotes(end);
  Text extended(source);
  if (start.empty()) {
    start = gbk("#Zavrin头#");
    extended = start + extended;
  }
  if (end.empty()) {
    end = gbk("#Zavrin尾#");
    extended += end;
  }
  const long entry = *position;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt == 1) {
      std::erase(start, '"');
      std::erase(end, '"');
    }
    long s = -1, e = -1;
    if (reverse) {
      e = FindText(extended, end, entry, Case::kIgnore);
      if (e > 0) s = FindTextBackward(extended, start, e, Case::kIgnore);
    } else {
      s = FindText(extended, start, entry, Case::kIgnore);
      if (s > 0) e = FindText(extended, end, s + long(start.size()), Case::kIgnore);
    }
    if (s > 0 && e > 0) {
      *position = e + long(end.size());
      long from = s + long(start.size()) + skip;
      return Mid(extended, from, e - from - drop);
    }
  }
  return Text();
}

// Random texts and markers built from pieces of the fill-in literals, quotes, letters in
// both cases and double-byte characters, so that matches cross the seams between the
// source and the literals in every way.
TEST(TextBetween, AgreesWithJoinedSourceOnRandomInput) {
  const std::vector<Text> pieces = {"#",
                                    "Z",
                                    "z",
                                    "a",
                                    "A",
                                    "vrin",
                                    "\"",
                                    "''",
                                    "'",
                                    "<",
                                    ">",
                                    "\xCD\xB7",
                                    "\xCE\xB2",
                                    "\xCD",
                                    "\xB7",
                                    "\x81",
                                    "#Zavrin",
                                    gbk("头#"),
                                    gbk("尾#"),
                                    gbk("#Zavrin头#"),
                                    gbk("#Zavrin尾#")};
  std::mt19937 random(12345);
  auto make = [&](int maxPieces) {
    Text text;
    int count = std::uniform_int_distribution<int>(0, maxPieces)(random);
    for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
    return text;
  };
  for (int round = 0; round < 200000; ++round) {
    Text source = make(12), start = make(2), end = make(2);
    bool reverse = random() % 2;
    long skip = long(random() % 7) - 3, drop = long(random() % 7) - 3;
    long entry = long(random() % (source.size() + 24)) - 2;
    long expectedPosition = entry, position = entry;
    Text expected =
        ReferenceTextBetween(source, start, end, &expectedPosition, reverse, skip, drop);
    Text actual = TextBetween(source, start, end, &position, reverse, skip, drop);
    ASSERT_EQ(actual, expected) << "source=" << source << " start=" << start << " end=" << end
                                << " entry=" << entry << " reverse=" << reverse;
    ASSERT_EQ(position, expectedPosition)
        << "source=" << source << " start=" << start << " end=" << end << " entry=" << entry;
  }
}

TEST(TextBetween, HugeSourceWithFillIn) {
  Text page(10 * 1024 * 1024, 'x');
  page += "<end>";
  long position = 1;
  EXPECT_EQ(TextBetween(page, "", "<end>", &position, false, 10 * 1024 * 1024 - 3), "xxx");
  EXPECT_EQ(position, 10 + 10 * 1024 * 1024 + 5 + 1);
  position = 1;
  EXPECT_EQ(TextBetween(page, "<end>", "", &position), "");
  EXPECT_EQ(position, 10 * 1024 * 1024 + 5 + 10 + 1);
}

}  // namespace
}  // namespace plexaro
