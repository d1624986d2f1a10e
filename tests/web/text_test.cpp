#include "web/text.h"

#include <gtest/gtest.h>

#include "web/gbk.h"

namespace plexaro {
namespace {

// "中" is D6 D0; "啊" is B0 A1. A trail byte may look like ASCII: "丂" is 81 40 ("@").
const Text kZhong = "\xD6\xD0";

TEST(FindText, FindsFromOneBasedStart) {
  EXPECT_EQ(FindText("abcabc", "bc"), 2);
  EXPECT_EQ(FindText("abcabc", "bc", 3), 5);
  EXPECT_EQ(FindText("abcabc", "bc", 5), 5);
  EXPECT_EQ(FindText("abcabc", "bc", 6), -1);
  EXPECT_EQ(FindText("abcabc", "bc", -7), 2);
  EXPECT_EQ(FindText("abcabc", "bc", 99), -1);
  EXPECT_EQ(FindText("abc", "abcd"), -1);
}

TEST(FindText, EmptyNeedleIsFoundAtOneOfNonEmptyTextOnly) {
  EXPECT_EQ(FindText("abc", ""), 1);
  EXPECT_EQ(FindText("", ""), -1);
  EXPECT_EQ(FindTextBackward("abc", ""), 1);
  EXPECT_EQ(FindTextBackward("", ""), -1);
}

TEST(FindText, NeverMatchesOnATrailByte) {
  // "\xB0\xA1" followed by "\xA1\xB0": the bytes A1 A1 in the middle straddle two
  // characters and must not be reported.
  Text text = "\xB0\xA1\xA1\xB0";
  EXPECT_EQ(FindText(text, "\xA1\xA1"), -1);
  EXPECT_EQ(FindTextBackward(text, "\xA1\xA1"), -1);
  // An ASCII-looking trail byte: "\x81@" is one character, "@" alone is not in it.
  Text mixed = "x\x81@y@";
  EXPECT_EQ(FindText(mixed, "@"), 5);
  EXPECT_EQ(FindTextBackward(mixed, "@", 5), -1);
  EXPECT_EQ(FindTextBackward(mixed, "@"), 5);
}

TEST(FindText, LongRunsOfDoubleByteTextKeepParity) {
  Text run;
  for (int i = 0; i < 1000; ++i) run += "\xB0\xA1";  // 啊啊啊...
  // A1 B0 occurs only across character boundaries.
  EXPECT_EQ(FindText(run, "\xA1\xB0"), -1);
  EXPECT_EQ(FindTextBackward(run, "\xA1\xB0"), -1);
  EXPECT_EQ(FindText(run + "\xA1\xB0", "\xA1\xB0"), 2001);
  EXPECT_EQ(FindText(run, "\xB0\xA1", 2), 3);
  EXPECT_EQ(FindTextBackward(run, "\xB0\xA1"), 1999);
}

TEST(FindText, IgnoreCaseFoldsOnlyAsciiLetters) {
  EXPECT_EQ(FindText("xx<TITLE>", "<title>", 1, Case::kIgnore), 3);
  EXPECT_EQ(FindText("xx<TITLE>", "<title>"), -1);
  EXPECT_EQ(FindText("aBc", "ABC", 1, Case::kIgnore), 1);
  EXPECT_EQ(FindText("\xC0\xC1", "\xE0\xE1", 1, Case::kIgnore), -1);
  // The trail byte of "\x81\x41" is not the letter A, so it does not fold to "a".
  EXPECT_EQ(FindText("\x81\x61", "\x81\x41", 1, Case::kIgnore), -1);
  EXPECT_EQ(FindText("\x81\x41", "\x81\x41", 1, Case::kIgnore), 1);
  EXPECT_EQ(FindText("x\x81\x41", "a", 1, Case::kIgnore), -1);
}

TEST(FindTextBackward, FindsLastMatchEndingBeforePosition) {
  EXPECT_EQ(FindTextBackward("abcabc", "bc"), 5);
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 7), 5);
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 6), 2);  // the match at 5 ends at 6
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 4), 2);
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 3), -1);
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 0), -1);
  EXPECT_EQ(FindTextBackward("aXbxc", "X", kWholeText, Case::kIgnore), 4);
}

TEST(Mid, CutsAtTheEndAndRejectsOutsideStarts) {
  EXPECT_EQ(Mid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Mid("abcdef", 5, 10), "ef");
  EXPECT_EQ(Mid("abcdef", 0, 3), "");
  EXPECT_EQ(Mid("abcdef", 7, 1), "");
  EXPECT_EQ(Mid("abcdef", 1, 0), "");
  EXPECT_EQ(Mid("abcdef", 1, -2), "");
}

TEST(SplitText, KeepsLeadingAndMiddleEmptiesDropsTrailing) {
  struct Case {
    Text text, separator;
    std::vector<Text> pieces;
  };
  const Case cases[] = {
      {"a|b|c", "|", {"a", "b", "c"}},
      {"|a||b|", "|", {"", "a", "", "b"}},
      {"", "|", {}},
      {"|", "|", {""}},
      {"abc", "|", {"abc"}},
      {"a[fg]b", "[fg]", {"a", "b"}},
      // "|" is 7C; the trail byte of "\x81\x7C" must not split the text.
      {"\x81|x|y", "|", {"\x81|x", "y"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitText(c.text, c.separator), c.pieces) << c.text;
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutRescanning) {
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceAll("abab", "ab", "abab"), "abababab");
  EXPECT_EQ(ReplaceAll("xAbxab", "ab", "-", Case::kIgnore), "x-x-");
  EXPECT_EQ(ReplaceAll("xAbxab", "ab", "-"), "xAbx-");
  EXPECT_EQ(ReplaceAll("abc", "", "-"), "abc");
  EXPECT_EQ(ReplaceAll("\xB0\xA1\xA1\xB0", "\xA1\xA1", "!"), "\xB0\xA1\xA1\xB0");
}

TEST(AddressChecksum, IsUpperHexCrc32WithoutLeadingZeros) {
  EXPECT_EQ(AddressChecksum(""), "");
  EXPECT_EQ(AddressChecksum("123456789"), "CBF43926");  // the CRC-32 check value
  EXPECT_EQ(AddressChecksum("a"), "E8B7BE43");
  // CRC-32 of "jkoha" has a leading zero nibble (0x0EE2D5F1 style values lose it).
  Text shortest;
  for (int i = 0; i < 100000 && shortest.empty(); ++i) {
    Text candidate = "k" + std::to_string(i);
    if (AddressChecksum(candidate).size() < 8) shortest = candidate;
  }
  ASSERT_FALSE(shortest.empty());
  EXPECT_NE(AddressChecksum(shortest)[0], '0');
}

TEST(Percent, UsesTheSharedTolerance) {
  EXPECT_TRUE(IsAbovePercent(31, 100, 30));
  EXPECT_FALSE(IsAbovePercent(30, 100, 30));
  EXPECT_FALSE(IsBelowPercent(30, 100, 30));
  EXPECT_TRUE(IsBelowPercent(29.9, 100, 30));
  EXPECT_FALSE(IsAbovePercent(1, 3, 33.33333333));  // differs by less than the tolerance
  EXPECT_EQ(CompareWithTolerance(1.0, 1.00000001), 0);
  EXPECT_EQ(CompareWithTolerance(1.0, 1.001), -1);
  EXPECT_EQ(CompareWithTolerance(2.0, 1.0), 1);
}

TEST(Gbk, ConvertsLiteralsAndMarksWhatGbkLacks) {
  EXPECT_EQ(gbk("中"), kZhong);
  EXPECT_EQ(&gbk("中"), &gbk("中"));
  EXPECT_EQ(GbkToUtf8(kZhong + "a"), "中a");
  EXPECT_EQ(Utf8ToGbk("a😀b"), "a?b");
  EXPECT_EQ(Utf8ToGbk("a\xFF"
                      "b"),
            "a?b");
  EXPECT_EQ(CodePointToGbk(0x4E2D), kZhong);
  EXPECT_EQ(CodePointToGbk(0), "");
  EXPECT_EQ(CodePointToGbk(0x1F600), "");
  EXPECT_EQ(GbkToUtf8("x\xD6"), "x?");  // a lone lead byte at the end
}

}  // namespace
}  // namespace plexaro

namespace plexaro {
namespace {

TEST(AsciiLowerText, FoldsAsciiLettersButNeverATrailByte) {
  // Long enough for the eight-byte steps; "\x81@", "\x81Z" and "\x81A" end in trail
  // bytes that look like "@", "Z" and "A".
  const Text text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ@[`{ \x81Z\x81" "A0123456789ABCDEFGH\xD6\xD0XY\x81";
  EXPECT_EQ(AsciiLowerText(text),
            "abcdefghijklmnopqrstuvwxyz@[`{ \x81Z\x81" "A0123456789abcdefgh\xD6\xD0xy\x81");
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    Text expected;
    for (size_t i = 0; i < cut; ++i) {
      bool trail = i > 0 && IsLeadByte(text[i - 1]) && IsCharBoundary(text, i - 1);
      expected += trail ? text[i] : AsciiLower(text[i]);
    }
    EXPECT_EQ(AsciiLowerText(text.substr(0, cut)), expected) << cut;
  }
}

}  // namespace
}  // namespace plexaro
