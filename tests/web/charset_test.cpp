#include "web/charset.h"

#include <gtest/gtest.h>

#include "web/event_pump.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

std::string FromGbk(const Text& text, const char* charset) {
  std::string out;
  EXPECT_TRUE(ConvertFromGbk(text, charset, out)) << charset;
  return out;
}

ByteSet SharedFixture(const char* name) {
  ByteSet bytes;
  EXPECT_TRUE(ReadWholeFile(Text(PLEXARO_SHARED_FIXTURES) + "/sogou/" + name, bytes)) << name;
  return bytes;
}

const Text& Sample() {
  static const Text sample = gbk("<p>中文网页 – 测试</p>");
  return sample;
}

TEST(DecodeBody, ByteOrderMarksDecideAndAreDropped) {
  EXPECT_EQ(DecodeBody("\xEF\xBB\xBF" + GbkToUtf8(Sample())), Sample());
  EXPECT_EQ(DecodeBody("\xFF\xFE" + FromGbk(Sample(), "UTF-16LE")), Sample());
  EXPECT_EQ(DecodeBody("\xFE\xFF" + FromGbk(Sample(), "UTF-16BE")), Sample());
  // A mark on an otherwise empty body: nothing to convert, so the body stays as it is.
  EXPECT_EQ(DecodeBody("\xFF\xFE"), "\xFF\xFE");
  EXPECT_EQ(DecodeBody(""), "");
}

TEST(DecodeBody, GbkPageDeclaringGb2312IsTakenUnchanged) {
  Text page = "<html><head><meta charset=gb2312></head><body>" + Sample() + "</body></html>";
  EXPECT_EQ(DecodeBody(page), page);
}

TEST(DecodeBody, UndeclaredUtf8IsRecognisedButAsciiIsLeftAlone) {
  EXPECT_EQ(DecodeBody(GbkToUtf8(Sample())), Sample());
  EXPECT_EQ(DecodeBody("<html>plain ascii</html>"), "<html>plain ascii</html>");
}

TEST(DecodeBody, MetaDeclarationsChooseBig5AndUtf8) {
  const Text text = gbk("中文資料");  // characters Big5 also holds
  std::string big5 = FromGbk(text, "BIG5");
  EXPECT_EQ(DecodeBody("<head><META CHARSET=BIG5></head>" + big5),
            gbk("<head><META CHARSET=BIG5></head>") + text);
  EXPECT_EQ(DecodeBody("<meta charset='big5-hkscs'>" + FromGbk(text, "BIG5-HKSCS")),
            "<meta charset='big5-hkscs'>" + text);
  // A UTF-8 page with a character outside GBK ("한" and an emoji) shows "?" for each.
  EXPECT_EQ(DecodeBody("<meta charset=\"UTF-8\">x\xED\x95\x9C\xF0\x9F\x98\x80y"),
            "<meta charset=\"UTF-8\">x??y");
}

TEST(DecodeBody, ForcedHints) {
  std::string utf16 = FromGbk(Sample(), "UTF-16LE");
  EXPECT_EQ(DecodeBody("ab" + utf16, CharsetHint::kUtf16LittleEndian),
            Sample());  // two bytes skipped
  EXPECT_EQ(DecodeBody("\xEF\xBB\xBF" + GbkToUtf8(Sample()), CharsetHint::kUtf8), Sample());
  EXPECT_EQ(DecodeBody(GbkToUtf8(Sample()), CharsetHint::kUtf8), Sample());
  std::string utf8 = GbkToUtf8(Sample());
  EXPECT_EQ(DecodeBody(utf8, CharsetHint::kSystemCodePage), utf8);
  EXPECT_EQ(DecodeBody("x", CharsetHint::kUtf16BigEndian), "x");  // nothing left: unchanged
}

TEST(DecodeBody, RealUtf8ResultPages) {
  for (const char* name :
       {"web-2021-results.html", "weixin-2017-articles.html", "weixin-2017-antispider.html"}) {
    ByteSet page = SharedFixture(name);
    Text decoded = DecodeBody(page);
    EXPECT_EQ(decoded, Utf8ToGbk(page)) << name;
    EXPECT_GT(FindText(decoded, gbk("搜狗")), 0) << name;
  }
  EXPECT_EQ(MetaCharset(SharedFixture("weixin-2017-articles.html")), CharsetHint::kUtf8);
}

TEST(DecodeBody, BadInputIsTakenSafely) {
  // A lone lead byte at the end and NUL bytes: not UTF-8, so unchanged.
  Text gbkPage(
      "a\0"
      "b\xD6\xD0\xB0",
      6);
  EXPECT_EQ(DecodeBody(gbkPage), gbkPage);
  // Declared UTF-8 but truncated and broken: every bad byte becomes "?".
  EXPECT_EQ(DecodeBody("<meta charset=utf-8>\xE4\xB8"), "<meta charset=utf-8>??");
  Text huge(10 * 1024 * 1024, 'a');
  huge += GbkToUtf8(gbk("中"));
  Text decoded = DecodeBody(huge);
  EXPECT_EQ(decoded.size(), 10u * 1024 * 1024 + 2);
  EXPECT_EQ(decoded.substr(decoded.size() - 2), gbk("中"));
}

TEST(MetaCharset, ReadsMetaTagsInOrder) {
  struct Case {
    const char* page;
    CharsetHint expected;
  } cases[] = {
      {"<head><meta charset=\"utf-8\"></head>", CharsetHint::kUtf8},
      {"<HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=UTF-8\"></HEAD>",
       CharsetHint::kUtf8},
      {"<meta charset='utf-8'>", CharsetHint::kUtf8},  // no head: the whole page
      {"<meta charset=Big5>", CharsetHint::kBig5},
      {"<meta charset=\"Big5-HKSCS\">", CharsetHint::kBig5Hkscs},
      {"<meta charset=Big5-HKSCS>", CharsetHint::kBig5},  // unquoted: Big5 is tested first
      {"<meta name=a><meta charset=big5><meta charset=utf-8>", CharsetHint::kBig5},
      {"<meta charset=gb2312><meta charset=utf-8>", CharsetHint::kUtf8},
      {"<meta charset=utf8>", CharsetHint::kDetect},
      {"<head><title>x</title></head><meta charset=utf-8>", CharsetHint::kDetect},
      {"<head></head><meta charset=utf-8>", CharsetHint::kUtf8},  // empty head: whole page
      {"charset=utf-8", CharsetHint::kDetect},                    // not in a meta tag
      {"<meta charset=utf-8", CharsetHint::kDetect},              // tag never closed
      {"", CharsetHint::kDetect},
  };
  for (const Case& c : cases) EXPECT_EQ(MetaCharset(c.page), c.expected) << c.page;
}

TEST(LooksLikeUtf8, AcceptsOnlyTwoAndThreeByteSequences) {
  struct Case {
    std::string bytes;
    bool expected;
  } cases[] = {
      {"", false},
      {"pure ascii", false},
      {"\xC3\xA9", true},
      {"a\xE4\xB8\xAD"
       "b",
       true},
      {"\xF0\x9F\x98\x80", false},  // four-byte sequences are not taken
      {"\xE4\xB8", false},          // cut at the end
      {"\xC3", false},
      {"\x80", false},
      {"\xD6\xD0\xCE\xC4", false},  // GBK "中文"
      {std::string("\0\xC3\xA9", 3), true},
  };
  for (const Case& c : cases) EXPECT_EQ(LooksLikeUtf8(c.bytes), c.expected) << c.bytes;
}

TEST(LooksLikeUtf8, PumpsEventsOnLongInputOnly) {
  int pumps = 0;
  SetThreadPumpHook([&] { ++pumps; });
  EXPECT_TRUE(LooksLikeUtf8("\xC3\xA9"));
  EXPECT_EQ(pumps, 0);
  std::string big(4 * 1024 * 1024, 'a');
  big += "\xC3\xA9";
  EXPECT_TRUE(LooksLikeUtf8(big));
  EXPECT_GT(pumps, 0);
  EXPECT_LT(pumps, 1000);
  SetThreadPumpHook(nullptr);
}

TEST(ConvertCharset, GoesThroughGbkAndReportsUnknownCharsetsAsEmpty) {
  EXPECT_EQ(ConvertCharset(GbkToUtf8(Sample()), "UTF-8", "GB18030"), Sample());
  EXPECT_EQ(ConvertCharset("\xED\x95\x9C", "UTF-8", "UTF-16LE"), std::string("?\0", 2));
  EXPECT_EQ(ConvertCharset("abc", "NO-SUCH-CHARSET", "GB18030"), "");
  EXPECT_EQ(ConvertCharset("abc", "UTF-8", "NO-SUCH-CHARSET"), "");
}

}  // namespace
}  // namespace plexaro
