#include "web/regex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

// Patterns and texts are written in UTF-8 here and handed over as GBK.
RegexObject Compiled(const char* pattern) {
  RegexObject regex;
  EXPECT_TRUE(regex.Create(gbk(pattern))) << pattern;
  return regex;
}

Text Replace(const char* pattern, const std::string& subject, const char* replacement) {
  return Compiled(pattern).ReplaceAll(Utf8ToGbk(subject), gbk(replacement));
}

struct ReplaceCase {
  const char* pattern;
  std::string subject;
  const char* replacement;
  std::string expected;
};

void ExpectReplacements(const std::vector<ReplaceCase>& cases) {
  for (const ReplaceCase& c : cases) {
    EXPECT_EQ(GbkToUtf8(Replace(c.pattern, c.subject, c.replacement)), c.expected)
        << "pattern " << c.pattern << " on [" << c.subject << "]";
  }
}

constexpr const char* kTagPattern = "<[\\s\\S]+?>";
constexpr const char* kJunkPattern =
    "<script[\\s\\S]*?/script>|<style[\\s\\S]*?/style>|<object[\\s\\S]*?/object>|"
    "<select[\\s\\S]*?/select>|<button[\\s\\S]*?/button>|<input[^<]*>";
constexpr const char* kCommentPattern = "<!--[^\\r\\n]*?-->|/\\*[\\s\\S]*?\\*/";
constexpr const char* kBlankPattern = "^[　 \\t]*$(\\r\\n)|^[ 　\\t]+|[ 　\\t]+$|\\r|\\n|\\t";
constexpr const char* kEqualsPattern = "[\\s　]{0,10}=[\\s　]{0,10}";
constexpr const char* kMarkupPattern = "<a [\\s\\S]+?/a>|<[\\s\\S]+?>";

TEST(RegexObject, CleaningPatternsOfTheProgram) {
  ExpectReplacements({
      // Tags, also across lines, go; the text between them stays.
      {kTagPattern, "<p class=\"a\">标题</p>x<a\r\nhref=\"/u\">链接</a>", "", "标题x链接"},
      {kTagPattern, "a < b 且 c > d", "", "a  d"},
      // Each element goes with its content, the shortest span, in either case.
      {kJunkPattern,
       "A<SCRIPT>x</SCRIPT>B<script>y</script>C<Style>p{}</style>D<select><option>1</select>"
       "E<button>按</button>F<input type=\"t\">G<object>o</object>H",
       "", "ABCDEFGH"},
      {kJunkPattern, "<input a><b>x</b>", "", "<b>x</b>"},
      // One-line HTML comments and multi-line script comments; a comment over lines stays.
      {kCommentPattern, "a<!-- 注释 -->b/* x\r\n y */c<!-- two\r\nlines -->d", "",
       "abc<!-- two\r\nlines -->d"},
      // Blank lines with their break, blanks at line ends, every CR, LF and tab.
      {kBlankPattern, " 　标题 一　 \r\n  \r\n\t正文\r\n\r\n末", "", "标题 一正文末"},
      {kBlankPattern, "a \rb\t\nc", "", "abc"},
      {kEqualsPattern, "<div class 　= \"x\" id=\r\n'y'>", "=", "<div class=\"x\" id='y'>"},
      {kEqualsPattern, "a" + std::string(11, ' ') + "=b", "=", "a =b"},
      // Link elements go with their text, other tags leave theirs.
      {kMarkupPattern, "<p>正文<a href=\"/x\">导航</a>后</p>", "", "正文后"},
      // "\s" is ASCII white space only; the full-width space stays.
      {"\\s", "a b\t\r\n\v\fc　d", "", "abc　d"},
  });
}

TEST(RegexObject, MatchesCaseInsensitiveMultiLineAndGlobalByDefault) {
  RegexObject regex = Compiled("^ab");
  EXPECT_EQ(regex.Execute("AB\nab\r\naB\rx ab"), 3);
  RegexObject strict;
  ASSERT_TRUE(strict.Create("^ab", false, false, false));
  EXPECT_EQ(strict.Execute("xx\nab ab"), 0);
  EXPECT_EQ(strict.Execute("ab AB ab"), 1);
  EXPECT_EQ(strict.ReplaceAll("ab ab", "c"), "c ab");
  // Without multi-line, "$" is the end of the subject only, not before a final break.
  ASSERT_TRUE(strict.Create("b$", true, false));
  EXPECT_EQ(strict.Execute("ab\n"), 0);
  EXPECT_EQ(strict.Execute("ab"), 1);
}

TEST(RegexObject, LineEndsAndEmptyMatches) {
  ExpectReplacements({
      // CR and LF each end a line; a CR LF pair ends one line, not two.
      {"^", "a\r\nb\rc\nd", "-", "-a\r\n-b\r-c\n-d"},
      {"$", "a\r\nb\rc\nd", "-", "a-\r\nb-\rc-\nd-"},
      {".", "a\rb\nc", "-", "-\r-\n-"},
      // An empty match moves on by one whole character, never into a Chinese one.
      {"x*", "中a文", "-", "-中-a-文-"},
      {"a*", "baaac", "-", "-b--c-"},
      // As in the script engine, the search after an empty match starts afresh.
      {"x*|b", "ab", "-", "-a-b-"},
      {"(?=中)", "中中", "|", "|中|中"},
  });
}

TEST(RegexObject, ReplacementReferencesFollowTheScriptEngine) {
  ExpectReplacements({
      {"(a)(b)?", "xaby", "[$1|$2|$&]", "x[a|b|ab]y"},
      {"(a)(b)?", "xay", "[$2]", "x[]y"},  // a group that took no part is empty
      {"b", "abc", "[$`|$']", "a[a|c]c"},
      {"b", "abc", "$$1 $$", "a$1 $c"},
      {"(b)", "abc", "$0 $01 $2 $9", "a$0 b $2 $9c"},
      {"(b)", "abc", "$10", "ab0c"},  // no group 10: group 1 and a literal "0"
      {"b", "abc", "$ $x $", "a$ $x $c"},
      {"(((((((((((b)))))))))))", "abc", "$11|$12", "ab|b2c"},
      {"是", "这是", "不$&", "这不是"},
  });
  // A "$" can be the trail byte of a double-byte character; it starts no reference.
  RegexObject regex = Compiled("(b)");
  EXPECT_EQ(regex.ReplaceAll("abc", "\x81$1"), "a\x81$1c");
}

TEST(RegexObject, ExecuteGivesMatchesAndGroups) {
  RegexObject regex = Compiled("(\\d+)-(x)?(中)?");
  EXPECT_EQ(regex.SubMatchCount(), 0);
  ASSERT_EQ(regex.Execute(gbk("12-x 3-中 45-")), 3);
  EXPECT_EQ(regex.MatchCount(), 3);
  EXPECT_EQ(regex.SubMatchCount(), 3);
  EXPECT_EQ(regex.MatchText(1), "12-x");
  EXPECT_EQ(regex.MatchText(2), gbk("3-中"));
  EXPECT_EQ(regex.SubMatchText(1, 2), "x");
  EXPECT_EQ(regex.SubMatchText(2, 3), gbk("中"));
  EXPECT_EQ(regex.SubMatchText(3, 1), "45");
  EXPECT_EQ(regex.SubMatchText(3, 2), "");  // took no part
  for (auto [match, group] :
       std::vector<std::pair<long, long>>{{0, 1}, {4, 1}, {-1, 1}, {1, 0}, {1, 4}, {1, -3}}) {
    EXPECT_EQ(regex.SubMatchText(match, group), "") << match << "," << group;
  }
  EXPECT_EQ(regex.MatchText(0), "");
  EXPECT_EQ(regex.MatchText(4), "");
  EXPECT_EQ(regex.Execute("none"), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.SubMatchCount(), 0);
}

TEST(RegexObject, PositionsAreGbkByteOffsets) {
  RegexObject regex = Compiled("ab$");
  // Described search from the character index would find the first "ab" at 6.
  ASSERT_EQ(regex.Execute(gbk("中中中abxab")), 1);
  long position = 0;
  EXPECT_EQ(regex.MatchTextAt(1, &position), "ab");
  EXPECT_EQ(position, 9);

  regex = Compiled("(a)(a)|(z)");
  ASSERT_EQ(regex.Execute(gbk("中aa·aa")), 2);
  EXPECT_EQ(regex.SubMatchTextAt(1, 2, &position), "a");
  EXPECT_EQ(position, 3);
  EXPECT_EQ(regex.MatchTextAt(2, &position), "aa");
  EXPECT_EQ(position, 6);  // "·" is two GBK bytes, as "中" is
  EXPECT_EQ(regex.SubMatchTextAt(2, 3, &position), "");
  EXPECT_EQ(position, -2);  // took no part
  EXPECT_EQ(regex.MatchTextAt(3, &position), "");
  EXPECT_EQ(position, -2);

  regex = Compiled("(?<=(中))x*");  // an empty match, and a group before its match
  ASSERT_EQ(regex.Execute(gbk("a中文中")), 2);
  EXPECT_EQ(regex.MatchTextAt(2, &position), "");
  EXPECT_EQ(position, 7);
  EXPECT_EQ(regex.SubMatchTextAt(2, 1, &position), gbk("中"));
  EXPECT_EQ(position, 5);
}

TEST(RegexObject, PositionsStayExactOverALongMixedSubject) {
  // Pieces of one-, two- and three-byte UTF-8 forms, each with an "x" at a known offset.
  const Text pieces[] = {"ab", gbk("中"), gbk("·"), "\xFF\xFF", gbk("文字 "), "cdefghij"};
  Text subject;
  std::vector<long> expected;
  for (int i = 0; i < 500; ++i) {
    subject += pieces[(i * 7) % 6];
    expected.push_back(long(subject.size()));
    subject += "x";
  }
  RegexObject regex = Compiled("x");
  ASSERT_EQ(regex.Execute(subject), long(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    long position = 0;
    regex.MatchTextAt(long(i + 1), &position);
    ASSERT_EQ(position, expected[i]) << i;
  }
  EXPECT_EQ(regex.ReplaceAll(subject, "x"), subject);
}

TEST(RegexObject, UndecodableBytesStayIntactAndAreNeverSplit) {
  // "\x81@" is one character whose trail byte looks like "@"; "\xFF\xFF" is no GBK
  // character; "\x81" at the end is a lone lead byte; NUL is an ordinary character.
  const Text subject("\x81@x@\xFF\xFF\0y\x81", 9);
  RegexObject regex = Compiled("@|y");
  ASSERT_EQ(regex.Execute(subject), 2);
  long position = 0;
  regex.MatchTextAt(1, &position);
  EXPECT_EQ(position, 3);
  EXPECT_EQ(regex.ReplaceAll(subject, "#"), Text("\x81@x#\xFF\xFF\0#\x81", 9));

  regex = Compiled(".");
  ASSERT_EQ(regex.Execute(subject), 7);
  EXPECT_EQ(regex.MatchText(1), "\x81@");
  EXPECT_EQ(regex.MatchText(4), "\xFF\xFF");
  EXPECT_EQ(regex.MatchText(5), Text(1, '\0'));
  EXPECT_EQ(regex.MatchTextAt(7, &position), "\x81");
  EXPECT_EQ(position, 8);
  EXPECT_EQ(regex.Execute(Text(1, '\xD6')), 1);  // lone lead byte only
  EXPECT_EQ(regex.MatchText(1), "\xD6");
}

TEST(RegexObject, ChinesePatternsAndFullWidthSpace) {
  EXPECT_EQ(GbkToUtf8(Replace("[　]+", "标　　题 x", "")), "标题 x");
  EXPECT_EQ(GbkToUtf8(Replace("中文", "中文和中文", "汉语")), "汉语和汉语");
  // A pattern character with a trail byte that reads as "\" or "|" is still one character.
  RegexObject regex;
  ASSERT_TRUE(regex.Create("\x81\\|\x81|"));
  EXPECT_EQ(regex.Execute("a\x81\\b\x81|"), 2);
  EXPECT_EQ(regex.PatternText(), "\x81\\|\x81|");
}

TEST(RegexObject, EscapeMethodsUseTheirCharacterLists) {
  const Text all = "\\^$+.{}[]=()-?*|\"a";
  EXPECT_EQ(RegexObject::EscapeAll(all), "\\\\\\^\\$\\+\\.\\{\\}\\[\\]\\=\\(\\)-\\?\\*\\|\\\"a");
  EXPECT_EQ(RegexObject::EscapeKeepBar(all), "\\\\\\^\\$\\+\\.\\{\\}\\[\\]\\=\\(\\)-\\?\\*|\\\"a");
  EXPECT_EQ(RegexObject::EscapeKeepGroups(all), "\\\\\\^\\$\\+\\.\\{\\}\\[\\]\\=()-\\?\\*|\\\"a");
  EXPECT_EQ(RegexObject::EscapeWildcard(all), "\\\\\\^\\$\\+\\.\\{\\}\\[\\]\\=\\(\\)\\-.?.*|\\\"a");
  // A trail byte that reads as "\" or "|" is part of its character and is not escaped.
  EXPECT_EQ(RegexObject::EscapeAll("\x81\\\x81|"), "\x81\\\x81|");
}

TEST(RegexObject, EscapedTextMatchesOnlyItself) {
  const Text literal = gbk("版本1.2 (测试)|稳定? $5 [a-z]{2}");
  RegexObject regex;
  ASSERT_TRUE(regex.Create(RegexObject::EscapeAll(literal)));
  EXPECT_EQ(regex.Execute(gbk("版本1x2 测试 版本1.2 (测试)|稳定? $5 [a-z]{2}!")), 1);
  EXPECT_EQ(regex.MatchText(1), literal);
  EXPECT_EQ(regex.Execute(gbk("版本1.2 测试")), 0);

  ASSERT_TRUE(regex.Create(RegexObject::EscapeWildcard(gbk("新闻*.htm?"))));
  EXPECT_EQ(regex.Execute(gbk("新闻2021.html\n新闻.htm\n新闻xhtm")), 2);
  EXPECT_EQ(regex.MatchText(1), gbk("新闻2021.html"));
  ASSERT_TRUE(regex.Create(RegexObject::EscapeKeepBar(gbk("甲.|乙"))));
  EXPECT_EQ(regex.Execute(gbk("甲x 甲. 乙")), 2);
  ASSERT_TRUE(regex.Create(RegexObject::EscapeKeepGroups("(a|b)c?")));
  EXPECT_EQ(regex.Execute("ac bc? ac?"), 2);
  EXPECT_EQ(regex.SubMatchText(1, 1), "b");
}

TEST(RegexObject, WithoutAValidPatternResultsAreEmpty) {
  RegexObject fresh;
  EXPECT_EQ(fresh.Execute("abc"), 0);
  EXPECT_EQ(fresh.ReplaceAll("abc", "x"), "abc");
  EXPECT_EQ(fresh.PatternText(), "");
  EXPECT_EQ(fresh.MatchText(1), "");
  EXPECT_EQ(fresh.SubMatchCount(), 0);

  RegexObject regex = Compiled("b");
  ASSERT_EQ(regex.Execute("abc"), 1);
  for (const char* invalid : {"(", "a{2,1}", "[b", "\\", "(?<=a+)b", "\\C"}) {
    EXPECT_FALSE(regex.Create(invalid)) << invalid;
    EXPECT_EQ(regex.PatternText(), "");
    EXPECT_EQ(regex.ReplaceAll("abc", "x"), "abc");
  }
  EXPECT_EQ(regex.MatchText(1), "b");  // the last run's matches stay
  EXPECT_EQ(regex.Execute("abc"), 0);
  EXPECT_EQ(regex.MatchText(1), "");
}

TEST(RegexObject, CopiesSharePatternAndKeepTheirOwnMatches) {
  RegexObject original = Compiled("(中)\\d");
  ASSERT_EQ(original.Execute(gbk("中1 中2")), 2);
  RegexObject copy(original);
  EXPECT_EQ(copy.PatternText(), gbk("(中)\\d"));
  EXPECT_EQ(copy.MatchText(2), gbk("中2"));
  ASSERT_EQ(copy.Execute(gbk("中3")), 1);
  EXPECT_EQ(original.MatchCount(), 2);
  EXPECT_EQ(original.MatchText(2), gbk("中2"));
  original.Create("x");
  EXPECT_EQ(copy.ReplaceAll(gbk("中4"), "$1"), gbk("中"));
  copy = original;
  EXPECT_EQ(copy.PatternText(), "x");
  EXPECT_EQ(copy.MatchText(1), gbk("中1"));
}

TEST(RegexObject, CopiesRunOnSeveralThreadsAtOnce) {
  RegexObject tags = Compiled(kTagPattern);
  Text page;
  for (int i = 0; i < 2000; ++i) page += gbk("<p class=\"x\">段落</p>\r\n");
  const Text expected = ReplaceAll(page, "<p class=\"x\">", "");
  std::vector<Text> results(4);
  std::vector<std::thread> threads;
  for (Text& result : results) {
    threads.emplace_back([copy = tags, &page, &result]() mutable {
      for (int round = 0; round < 20; ++round) result = copy.ReplaceAll(page, "");
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const Text& result : results) EXPECT_EQ(result, ReplaceAll(expected, "</p>", ""));
}

// Catastrophic backtracking stops at the engine's limits: the matches found before the
// place where it gave up stand, and the rest of the subject is left as it is.
TEST(RegexObject, CatastrophicPatternStopsInBoundedTime) {
  auto started = std::chrono::steady_clock::now();
  const Text tail = std::string(40, 'a') + "b";
  RegexObject regex = Compiled("x|(a|aa)+$");
  EXPECT_EQ(regex.Execute("x-x-" + tail), 2);
  EXPECT_EQ(regex.ReplaceAll("x-x-" + tail + "x", "y"), "y-y-" + tail + "x");

  Text page;
  while (page.size() < (1u << 20)) page += gbk("中文 word ");
  page += "!";
  regex = Compiled("(\\w+\\s?)+$|^");
  EXPECT_EQ(regex.ReplaceAll(page, "^"), "^" + page);
  regex = Compiled("(.*a){12}");
  EXPECT_EQ(regex.Execute(page), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

TEST(RegexObject, RefusesAResultThatWouldGrowWithoutBound) {
  const Text subject(12000, 'a');  // "$`" for every character: some 72 MB
  RegexObject regex = Compiled(".");
  EXPECT_EQ(regex.ReplaceAll(subject, "$`"), subject);
  EXPECT_EQ(regex.ReplaceAll(subject.substr(0, 4), "[$`]"), "[][a][aa][aaa]");
}

TEST(RegexObject, StripsTagsFromARealResultPage) {
  ByteSet utf8;
  ASSERT_TRUE(ReadWholeFile(PLEXARO_SHARED_FIXTURES "/sogou/web-2021-results.html", utf8));
  Text text = Utf8ToGbk(utf8);
  for (const char* pattern : {kJunkPattern, kCommentPattern, kTagPattern, kBlankPattern}) {
    text = Compiled(pattern).ReplaceAll(text, "");
  }
  EXPECT_EQ(FindText(text, "<"), -1);
  EXPECT_EQ(FindText(text, "\n"), -1);
  EXPECT_GT(FindText(text, gbk("jay_搜狗翻译")), 0);
}

}  // namespace
}  // namespace plexaro
