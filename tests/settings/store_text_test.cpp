#include "settings/store_text.h"

#include <gtest/gtest.h>

namespace plexaro {
namespace {

StoreText Make(std::string bytes) {
  StoreText text;
  text.Assign(std::move(bytes));
  return text;
}

TEST(StoreText, FindsBytesFromOneBasedStartBothWays) {
  StoreText text = Make("ab\r\nab");
  EXPECT_EQ(text.Find("ab"), 1);
  EXPECT_EQ(text.Find("ab", 0), 1);
  EXPECT_EQ(text.Find("ab", 2), 5);
  EXPECT_EQ(text.Find("ab", 6), -1);
  EXPECT_EQ(text.Find("ab", 99), -1);
  EXPECT_EQ(text.FindBackward("ab"), 5);
  EXPECT_EQ(text.FindBackward("ab", 4), 1);
  EXPECT_EQ(text.FindBackward("ab", 5), 5);
  EXPECT_EQ(text.FindBackward("b\r\na"), 2);
  EXPECT_EQ(text.FindBefore("ab", 2, 5), -1);  // the match at 5 begins too late
  EXPECT_EQ(text.FindBefore("ab", 2, 6), 5);
  EXPECT_EQ(text.FindBefore("b\r", 1, 3), 2);
  EXPECT_EQ(Make("").Find("a"), -1);
  EXPECT_EQ(Make("").FindBackward("a"), -1);
}

// The search scans for the needle's rarest byte and falls back to memmem when that byte
// is common: cross-checked against the plain search on texts dense with candidates.
TEST(StoreText, FindAgreesWithPlainSearchOnRandomTexts) {
  const char alphabet[] = {'[', ']', '=', '\r', '\n', 'a', '\x81'};
  const char* needles[] = {"\r\n[", "]\r\n", "\r\na=", "=", "[a]", "a\x81=", "\n\n\n\n"};
  uint32_t seed = 7;
  for (int round = 0; round < 300; ++round) {
    std::string bytes(size_t(round * 7 % 400), ' ');
    uint32_t spread = round % 2 ? 7 : 64;  // dense or sparse candidates
    for (char& c : bytes) {
      uint32_t pick = ((seed = seed * 1103515245u + 12345u) >> 16) % spread;
      c = pick < 7 ? alphabet[pick] : 'a';
    }
    StoreText text = Make(bytes);
    for (std::string_view needle : needles) {
      for (long start : {0L, 1L, 5L, 50L}) {
        size_t plain = std::string_view(bytes).find(needle, size_t(std::max(start, 1L) - 1));
        long expected = plain == std::string_view::npos ? -1 : long(plain) + 1;
        ASSERT_EQ(text.Find(needle, start), expected) << round << " " << needle;
      }
    }
  }
}

TEST(StoreText, ComparesBytesNotCharacters) {
  // After half a character the line break is still a line break of the layout.
  StoreText text = Make("[s]\r\na=x\x81\r\nb=2");
  EXPECT_EQ(text.Find("\r\nb="), 10);
  HeaderPosition header = text.FindHeader("s", 0, HeaderRule{});
  EntryPosition entry = text.FindEntry(header, "b");
  ASSERT_TRUE(entry.found());
  EXPECT_EQ(text.Range(entry.valueStart, entry.valueLength()), "2");
  // Zero bytes are ordinary bytes.
  EXPECT_EQ(Make(std::string("a\0b=1", 5)).Find("b="), 3);
}

TEST(StoreText, RangeAndReplaceStayInsideTheText) {
  StoreText text = Make("abc");
  EXPECT_EQ(text.Range(2, 5), "bc");
  EXPECT_EQ(text.Range(4, 1), "");
  EXPECT_EQ(text.Range(0, 1), "");
  text.Replace(3, 10, "XY");
  EXPECT_EQ(text.View(), "abXY");
  text.Replace(99, 1, "!");
  EXPECT_EQ(text.View(), "abXY!");
}

TEST(StoreText, HeaderCountsAtTextStartOrAfterLineBreak) {
  struct Case {
    std::string text;
    HeaderRule rule;
    long start;
  };
  const HeaderRule second{true, 1, false};
  const Case cases[] = {
      {"[s]\r\na=1", {}, 1},
      {"x\r\n[s]", {}, 4},
      {"x[s]\r\n[s]", {}, 7},  // mid-line candidate skipped
      {"x[s]", {}, -1},
      {"x[s]", second, 2},             // the maintenance operations accept position 2
      {"\n[s]", {}, -1},               // LF alone is no line break
      {"[S]\r\n[s ]\r\n[s]", {}, 12},  // exact name, case and blanks matter
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Make(c.text).FindHeader("s", 0, c.rule).start, c.start) << c.text;
  }
  HeaderPosition found = Make("x\r\n[ab]").FindHeader("ab", 0, HeaderRule{});
  EXPECT_EQ(found.end, 7);
}

TEST(StoreText, EntryBelongsToSectionUntilNextStandaloneHeader) {
  struct Case {
    std::string text;
    std::string value;  // "-" when not found
  };
  const Case cases[] = {
      {"[s]\r\na=1\r\nb=2", "1"},
      {"[s]\r\nb=2\r\na=", ""},
      {"[s]\r\nb=2\r\na= x y ", " x y "},
      {"[s]\r\nx=1\r\n[t]\r\na=2", "-"},  // only in a later section
      {"[s]\r\n[t]junk\r\na=2", "2"},     // "[t]junk" is no header for this test
      {"[s]\r\n[t\r\n]\r\na=2", "2"},     // brackets on different lines
      {"a=1\r\n[s]", "-"},                // before the header
      {"[s]a=1", "-"},                    // not on a line of its own
      {"[s]\r\nab=1\r\na=2", "2"},
  };
  for (const Case& c : cases) {
    StoreText text = Make(c.text);
    EntryPosition entry = text.FindEntry(text.FindHeader("s", 0, HeaderRule{}), "a");
    std::string got =
        entry.found() ? std::string(text.Range(entry.valueStart, entry.valueLength())) : "-";
    EXPECT_EQ(got, c.value) << c.text;
  }
}

TEST(StoreText, FindNextHeaderNeedsHeaderAloneBetweenLineBreaks) {
  struct Case {
    std::string text;
    long from, to, result;
  };
  const Case cases[] = {
      {"[a]\r\n[b]\r\nx", 1, 99, 6},
      {"[a]\r\n[b]\r\nx", 1, 8, 6},   // "]" at 8 is not after to
      {"[a]\r\n[b]\r\nx", 1, 7, -1},  // "]" at 8 is
      {"[a]\r\n[b]\r\nx", 1, 4, -1},  // CR LF "[" must begin before to
      {"[a]\r\n[b]", 1, 99, -1},      // no CR LF after the "]"
      {"[a]\r\n[b]x\r\n[c]\r\n", 1, 99, 12},
      {"[a]\r\n[b\r\n]\r\n", 1, 99, -1},
      {"[a]\r\n[b\r\n[c]\r\n", 1, 99, 10},
      {"[a]", 1, 99, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Make(c.text).FindNextHeader(c.from, c.to), c.result) << c.text;
  }
}

TEST(StoreText, FindNextHeaderStaysLinearOnManyOpenBrackets) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "\r\n[xxxxxxxx";
  text += "]\r\n";
  // Every candidate's "]" CR LF but the last one's lies behind a line break; one pass
  // must settle them all instead of searching for the "]" once per candidate.
  EXPECT_EQ(Make(text).FindNextHeader(1, long(text.size())), long(text.rfind('[')) + 1);
}

TEST(ReplaceBytes, ReplacesLeftToRightWithoutRescanning) {
  EXPECT_EQ(ReplaceBytes("a\r\n\r\nb", "\r\n", "|"), "a||b");
  EXPECT_EQ(ReplaceBytes("aaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceBytes("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceBytes("\x81\r\n", "\r\n", "|"), "\x81|");
}

}  // namespace
}  // namespace plexaro
