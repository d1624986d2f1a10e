#include "web/text_helpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "web/gbk.h"

namespace plexaro {
namespace {

TEST(BatchReplace, AppliesListsInOrderIgnoringCase) {
  EXPECT_EQ(BatchReplace("a-B-c", "b|A", "x|y"), "y-x-c");
  // Each step works on the previous result: "a" -> "b", then "b" -> "c".
  EXPECT_EQ(BatchReplace("a", "a|b", "b|c"), "c");
  // Missing replacements delete, surplus ones are ignored.
  EXPECT_EQ(BatchReplace("a1b2", "1|2", "-"), "a-b");
  EXPECT_EQ(BatchReplace("a1", "1", "x|y|z"), "ax");
  EXPECT_EQ(BatchReplace("a;b,c", "a,b", "x,y", ","), "x;y,c");
  EXPECT_EQ(BatchReplace("abc", "", "x"), "abc");
}

TEST(CleanFileName, ReplacesForbiddenCharactersAndRemovesQuotesAndBreaks) {
  EXPECT_EQ(CleanFileName("a/b:c?d"), gbk("a／b：c？d"));
  EXPECT_EQ(CleanFileName("\\*|<>"), gbk("＼＊｜＜＞"));
  EXPECT_EQ(CleanFileName("\"x\"\r\ny\rz\n\tw"), "xyzw");
  // A trail byte that looks like "\\" belongs to its character ("\x95\x5C").
  EXPECT_EQ(CleanFileName("\x95\\/"), "\x95\\\xA3\xAF");
  EXPECT_EQ(CleanFileName("end\xB0"), "end\xB0");  // lone lead byte kept, no over-read
}

TEST(CharCount, CountsDoubleByteCharactersAndLineBreaksOnce) {
  const Text text = "a" + gbk("中") + "\r\nb";
  EXPECT_EQ(CharCount(text), 4);
  EXPECT_EQ(CharCount("\r\r\n\n"), 3);
  EXPECT_EQ(CharCount(""), 0);
  EXPECT_EQ(CharCount("x\xB0"), 2);
  EXPECT_EQ(CharCount(Text("a\0b", 3)), 3);
}

TEST(LeftChars, CutsWholeCharactersOnly) {
  const Text text = "a" + gbk("中") + "\r\nb";
  struct Case {
    long count;
    Text expected;
  } cases[] = {
      {0, ""},   {1, "a"},   {2, "a" + gbk("中")},           {3, "a" + gbk("中") + "\r\n"},
      {4, text}, {99, text}, {-1, "a" + gbk("中") + "\r\n"}, {-2, "a" + gbk("中")},
      {-4, ""},  {-99, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(LeftChars(text, c.count), c.expected) << c.count;
  EXPECT_EQ(LeftChars("abc", -1), "ab");
  EXPECT_EQ(LeftChars("a\xB0", 2), "a\xB0");
}

TEST(DecodeEntities, DecodesNamedEntitiesInTableOrder) {
  EXPECT_EQ(DecodeEntities("&lt;b&gt; &quot;x&quot;&nbsp;&AMP;"), "<b> \"x\" &");
  EXPECT_EQ(DecodeEntities("&Prime;&prime;"), "\xA1\xE4\xA1\xE4");  // "&prime;" comes first
  EXPECT_EQ(DecodeEntities("&ndash;&oplus;&sim;&perp;"), "\xA8\x43\xA8\x92\xA1\xAB\xA1\xCD");
  EXPECT_EQ(DecodeEntities("&amp;lt;"), "&lt;");  // an escaped entity decodes once
  EXPECT_EQ(DecodeEntities("&unknown; & ;"), "&unknown; & ;");
}

// The table as two lists, in order, with the GBK bytes of each character.
constexpr const char* kNames =
    "&ndash;|&mdash;|&ldquo;|&rdquo;|&nbsp;|&lt;|&gt;|&quot;|&times;|&divide;|&middot;|"
    "&hellip;|&lsquo;|&rsquo;|&permil;|&prime;|&Prime;|&larr;|&uarr;|&rarr;|&darr;|&radic;|"
    "&prop;|&infin;|&ang;|&and;|&or;|&cap;|&cup;|&int;|&there4;|&sim;|&asymp;|&ne;|&equiv;|"
    "&le;|&ge;|&oplus;|&perp;|&amp;";
constexpr const char* kCharacters =
    "\xA8\x43|\xA1\xAA|\xA1\xB0|\xA1\xB1| |<|>|\"|\xA1\xC1|\xA1\xC2|\xA1\xA4|"
    "\xA1\xAD|\xA1\xAE|\xA1\xAF|\xA1\xEB|\xA1\xE4|\xA1\xE5|\xA1\xFB|\xA1\xFC|\xA1\xFA|\xA1\xFD|"
    "\xA1\xCC|\xA1\xD8|\xA1\xDE|\xA1\xCF|\xA1\xC4|\xA1\xC5|\xA1\xC9|\xA1\xC8|\xA1\xD2|\xA1\xE0|"
    "\xA1\xAB|\xA1\xD6|\xA1\xD9|\xA1\xD4|\xA1\xDC|\xA1\xDD|\xA8\x92|\xA1\xCD|&";

TEST(DecodeEntities, EveryNamedEntityGivesItsTableCharacter) {
  std::vector<Text> names = SplitText(kNames, "|"), characters = SplitText(kCharacters, "|");
  ASSERT_EQ(names.size(), 40u);
  ASSERT_EQ(characters.size(), 40u);
  for (size_t i = 0; i < names.size(); ++i) {
    Text expected = names[i] == "&Prime;" ? "\xA1\xE4" : characters[i];
    EXPECT_EQ(DecodeEntities("<" + names[i] + ">"), "<" + expected + ">") << names[i];
  }
}

// Decoding named entities in one walk must equal replacing the lists one after another.
TEST(DecodeEntities, NamedPassAgreesWithListReplacementOnRandomInput) {
  const std::vector<Text> pieces = {
      "&",  ";", "amp;", "AMP;", "lt;",  "Prime;", "prime;", "nbsp",    "ndash;",   "le;",
      "ge", "a", "C",    "\xB0", "\xA8", "&amp;",  "&lt",    "there4;", "\xB0\xA1", " "};
  std::mt19937 random(3);
  for (int round = 0; round < 100000; ++round) {
    Text text;
    int count = int(random() % 12);
    for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
    ASSERT_EQ(DecodeEntities(text), BatchReplace(text, kNames, kCharacters)) << text;
  }
}

TEST(DecodeEntities, DecodesNumericReferences) {
  struct Case {
    Text in, expected;
  } cases[] = {
      {"&#65;&#x42;&#X43;", "ABC"},
      {"&#20013;&#x4e2d;", gbk("中中")},
      {"&#  +65;", "A"},       // leading blanks and a sign
      {"&#65abc;", "A"},       // digits up to the first non-digit
      {"&#amp;#65;", "#65;"},  // hex of "mp" is 0: no character
      {"&amp;#65;", "A"},      // escaped numeric reference ends as the character
      {"&#0;x", "x"},          // 0 has no character
      {"&#-65;x", "x"},        // negative: no character
      {"&#128512;x", "x"},     // beyond 0xFFFF: no character
      {"&#99999999999999999999;x", "x"},
      {"&#xD800;x", "x"},          // lone surrogate
      {"&#x4e2dzz;", gbk("中")},   // hex digits up to the first non-hex-digit
      {"&#65", "&#65"},            // no ";" after it: stays
      {"a&#65 &#66;", "a&#65 B"},  // the later one takes the only ";"
      {"&#38;#65;", "&#65;"},      // "&#38;" gives "&", which is not rescanned
      {"&#65&#59;", "A"},          // "&#59;" gives ";", which closes the earlier one
      {"&#;", ""},
      {"&#", "&#"},
      {"\xB0&#65;", "\xB0&#65;"},  // the "&" is the trail byte of a character
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeEntities(c.in), c.expected) << c.in;
}

// The character of a reference's inner text, read the simple way.
Text ReferenceCharacter(const Text& inner) {
  size_t i = inner.find_first_not_of(" \t");
  long value = 0, sign = 1;
  if (i != Text::npos && (inner[i] == '+' || inner[i] == '-')) sign = inner[i++] == '-' ? -1 : 1;
  while (i < inner.size() && isdigit(inner[i]) && value < 1000000)
    value = value * 10 + inner[i++] - '0';
  value *= sign;
  size_t first = inner.empty() || !IsLeadByte(inner[0]) ? 1 : 2;  // "x", or a whole character
  size_t hexEnd = first;
  while (hexEnd < inner.size() && isxdigit(inner[hexEnd])) ++hexEnd;
  if (value == 0 && hexEnd > first)
    value = std::stol(inner.substr(first, std::min<size_t>(hexEnd - first, 12)), nullptr, 16);
  return value > 0 && value <= 0xFFFF ? CodePointToGbk(char32_t(value)) : Text();
}

// The numeric pass as the algorithm reads: search, then rebuild the text per reference.
Text ReferenceNumericPass(Text text) {
  long at = FindTextBackward(text, "&#");
  while (at > 0) {
    long semicolon = FindText(text, ";", at);
    if (semicolon > 0) {
      Text decoded = ReferenceCharacter(Mid(text, at + 2, semicolon - at - 2));
      text = Mid(text, 1, at - 1) + decoded + Mid(text, semicolon + 1, kWholeText);
    }
    at = FindTextBackward(text, "&#", at);
  }
  return text;
}

TEST(DecodeEntities, NumericPassAgreesWithRebuildingOnRandomInput) {
  // Lone lead bytes make trail-byte ";" and "&"; "&#59;" and "&#x3B;" make new semicolons.
  const std::vector<Text> pieces = {"&#",       "&", "#",     ";",     "6",     "5", "x",
                                    "4",        "1", "59",    "38",    " ",     "-", "\xB0",
                                    "\xB0\xA1", "a", "&#59;", "&#38;", "&#x3B;"};
  std::mt19937 random(7);
  for (int round = 0; round < 100000; ++round) {
    Text text;
    int count = int(random() % 14);
    for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
    ASSERT_EQ(DecodeEntities(text), ReferenceNumericPass(text)) << text;
  }
}

TEST(DecodeEntities, ScalesLinearly) {
  // Many "&#" without any ";" after them are the costly case for a naive walk.
  Text big;
  while (big.size() < 4 * 1024 * 1024) big += "&#1&#x&lt;" + gbk("中文");
  auto started = std::chrono::steady_clock::now();
  Text decoded = DecodeEntities(big);
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(decoded.size(), big.size() - (big.size() / 14) * 3);
  EXPECT_LT(seconds, 5.0);
}

}  // namespace
}  // namespace plexaro
