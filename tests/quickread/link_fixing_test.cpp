#include "quickread/link_fixing.h"

#include <gtest/gtest.h>

#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

constexpr std::string_view kPage = "http://h.com/a/b.html";

Text Fix(std::string_view address, std::string_view page) {
  Text inOut(page);
  return FixLinks(address, inOut);
}

struct Case {
  const char* page;
  const char* fixed;
};

void ExpectFixed(std::string_view address, std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(Fix(address, c.page), c.fixed) << c.page;
}

TEST(FixLinks, RelativeValuesOfEveryFormInEveryQuoteStyle) {
  ExpectFixed(kPage, {
                         {R"(<a href="/x">)", R"(<a href="http://h.com/x">)"},
                         {R"(<a href="x">)", R"(<a href="http://h.com/a/x">)"},
                         {R"(<a href="../x">)", R"(<a href="http://h.com/a/../x">)"},
                         {R"(<a href="?q=1">)", R"(<a href="http://h.com/a/b.html?q=1">)"},
                         {R"(<a href="#f">)", R"(<a href="http://h.com/a/b.html#f">)"},
                         {R"(<img src="//cdn.net/i.jpg">)", R"(<img src="http://cdn.net/i.jpg">)"},
                         {R"(<img src='/i.png'>)", R"(<img src='http://h.com/i.png'>)"},
                         {R"(<a href='x'>)", R"(<a href='http://h.com/a/x'>)"},
                         {R"(<a href='?q'>)", R"(<a href='http://h.com/a/b.html?q'>)"},
                         {R"(<a href='#f'>)", R"(<a href='http://h.com/a/b.html#f'>)"},
                         {R"(<a href='//c.net/x'>)", R"(<a href='http://c.net/x'>)"},
                         {"<a href=x>", "<a href=http://h.com/a/x>"},
                         {"<a href=/x>", "<a href=http://h.com/x>"},
                         {"<a href=../x>", "<a href=http://h.com/a/../x>"},
                         {"<a href=#f>", "<a href=http://h.com/a/b.html#f>"},
                         {"<a href=?q>", "<a href=http://h.com/a/b.html?q>"},
                         {"<img src=//c.net/i>", "<img src=http://c.net/i>"},
                         {R"(<a href="">)", R"(<a href="http://h.com/a/">)"},
                     });
}

TEST(FixLinks, AbsoluteValuesStayAsTheyWere) {
  ExpectFixed(kPage, {
                         {R"(<a href="http://o.com/x">)", R"(<a href="http://o.com/x">)"},
                         {R"(<a href='https://o.com/x'>)", R"(<a href='https://o.com/x'>)"},
                         {"<a href=http://o.com/x>", "<a href=http://o.com/x>"},
                         {"<img src=https://o.com/i>", "<img src=https://o.com/i>"},
                         {R"x(<a href="javascript:go(1)">)x", R"x(<a href="javascript:go(1)">)x"},
                         {R"(<a href='mailto:a@b.c'>)", R"(<a href='mailto:a@b.c'>)"},
                         {R"(<img src="data:image/gif;base64,R0l=">)",
                          R"(<img src="data:image/gif;base64,R0l=">)"},
                         {"<a href=ftp://o.com/f>", "<a href=ftp://o.com/f>"},
                     });
}

TEST(FixLinks, MixedPageFixesEachValueOnce) {
  const char* page = R"(<a href="x.html">1</a><a href='/y'>2</a><a href=z>3</a>)"
                     R"(<a href="http://o.com/">4</a><img src='#t'>)";
  EXPECT_EQ(Fix(kPage, page),
            R"(<a href="http://h.com/a/x.html">1</a><a href='http://h.com/y'>2</a>)"
            R"(<a href=http://h.com/a/z>3</a><a href="http://o.com/">4</a>)"
            R"(<img src='http://h.com/a/b.html#t'>)");
}

TEST(FixLinks, CaseOfNamesAndOfTheEntity) {
  ExpectFixed(kPage, {
                         // The attribute names compare exactly; the entity ignores case.
                         {R"(<A HREF="x">)", R"(<A HREF="x">)"},
                         {"a&amp;b&AMP;c", "a&b&c"},
                         {"a&amp;amp;b", "a&amp;b"},
                     });
}

TEST(FixLinks, BlanksAroundEqualsAndTextOutsideTags) {
  ExpectFixed(kPage, {
                         {R"(<a href = "x">)", R"(<a href="http://h.com/a/x">)"},
                         {R"(<script>s="src='i.js'";</script>)",
                          R"(<script>s="src='http://h.com/a/i.js'";</script>)"},
                         {"write src=x here", "write src=http://h.com/a/x here"},
                     });
}

TEST(FixLinks, BaseElementReplacesRootAndDirectory) {
  ExpectFixed(kPage, {
                         {R"(<base href="http://b.com/d"><a href="x">)",
                          R"(<base href="http://b.com/d"><a href="http://b.com/d/x">)"},
                         {R"(<base href="http://b.com/d"><a href="/x">)",
                          R"(<base href="http://b.com/d"><a href="http://b.com/d/x">)"},
                         {R"(<base href="http://b.com/d/"><a href=x>)",
                          R"(<base href="http://b.com/d/"><a href=http://b.com/d/x>)"},
                         {R"(<base href="http://b.com/d/"><a href="?q">)",
                          R"(<base href="http://b.com/d/"><a href="http://b.com/d/?q">)"},
                         {R"(<base href="https://b.com/"><img src="//c.net/i">)",
                          R"(<base href="https://b.com/"><img src="https://c.net/i">)"},
                         // In-page anchors keep pointing at the page itself.
                         {R"(<base href="http://b.com/d/"><a href="#f">)",
                          R"(<base href="http://b.com/d/"><a href="http://h.com/a/b.html#f">)"},
                     });
}

TEST(FixLinks, AddressesWithoutPathOrWithSlashesInTheQuery) {
  ExpectFixed("http://h.com", {{R"(<a href="x">)", R"(<a href="http://h.com/x">)"}});
  ExpectFixed("http://h.com/s.php?u=a/b#c/d",
              {{R"(<a href="x">)", R"(<a href="http://h.com/x">)"},
               {R"(<a href="?p=2">)", R"(<a href="http://h.com/s.php?p=2">)"}});
  ExpectFixed("https://h.com:8443/a/", {{R"(<a href="/x">)", R"(<a href="https://h.com:8443/x">)"},
                                        {R"(<img src="//c/i">)", R"(<img src="https://c/i">)"}});
}

TEST(FixLinks, LazyImagesGetTheirAddressAsSrc) {
  ExpectFixed(kPage, {
                         // "data-src" holds "src=" too, so it is made absolute as well.
                         {R"(<img data-src="p.jpg">)",
                          R"(<img data-src="http://h.com/a/p.jpg" src="http://h.com/a/p.jpg">)"},
                         {R"(<img data-src="p.jpg"/>)",
                          R"(<img data-src="http://h.com/a/p.jpg" src="http://h.com/a/p.jpg"/>)"},
                         {R"(<img file="f.jpg" zoomfile="z.jpg" src="ph.gif">)",
                          R"(<img file="f.jpg" zoomfile="z.jpg" src="http://h.com/a/z.jpg">)"},
                         {R"(<IMG real_src='/r.jpg' SRC='ph.gif'>)",
                          R"(<IMG real_src='http://h.com/r.jpg' src='http://h.com/r.jpg'>)"},
                         {R"(<img zoomfile="" file=f.jpg src=ph.gif>)",
                          R"(<img zoomfile="" file=f.jpg src=http://h.com/a/f.jpg>)"},
                         {R"(<img src="s.jpg">)", R"(<img src="http://h.com/a/s.jpg">)"},
                         {R"(<img data-src="1.jpg"><img data-src="1.jpg"><img data-src="2.jpg">)",
                          R"(<img data-src="http://h.com/a/1.jpg" src="http://h.com/a/1.jpg">)"
                          R"(<img data-src="http://h.com/a/1.jpg" src="http://h.com/a/1.jpg">)"
                          R"(<img data-src="http://h.com/a/2.jpg" src="http://h.com/a/2.jpg">)"},
                     });
}

TEST(FixLinks, PageReceivesTheTextBeforeAddressesAreRewritten) {
  Text page = R"(<img data-src = "p.jpg"><a href="x?a&amp;b">)";
  Text fixed = FixLinks(kPage, page);
  EXPECT_EQ(page, R"(<img data-src="p.jpg" src="p.jpg"><a href="x?a&amp;b">)");
  EXPECT_EQ(fixed, R"(<img data-src="http://h.com/a/p.jpg" src="http://h.com/a/p.jpg">)"
                   R"(<a href="http://h.com/a/x?a&b">)");
}

TEST(FixLinks, DoubleByteTextIsNeverCutOrMatchedInside) {
  // 0x81 0x73 is one character whose second byte is "s": no "src=" starts there.
  const Text trailS = "\x81src=\"x\"";
  EXPECT_EQ(Fix(kPage, trailS), trailS);
  const Text chinese = gbk("<a href=\"页.html\">链接</a>");
  EXPECT_EQ(Fix(kPage, chinese), gbk("<a href=\"http://h.com/a/页.html\">链接</a>"));
  // A full-width "ｓｒｃ＝" the page itself holds is left alone unless it precedes an
  // absolute value.
  EXPECT_EQ(Fix(kPage, gbk("ｓｒｃ＝\"x\"")), gbk("ｓｒｃ＝\"x\""));
}

TEST(FixLinks, MalformedInputGivesADefinedResult) {
  ExpectFixed(kPage, {
                         {"", ""},
                         {R"(<img data-src="p.jpg)", R"(<img data-src="http://h.com/a/p.jpg)"},
                         {"<img data-src=", "<img data-src=http://h.com/a/"},
                         {"src=", "src=http://h.com/a/"},
                         {"<a href=\"x", "<a href=\"http://h.com/a/x"},
                     });
  using namespace std::string_literals;
  EXPECT_EQ(Fix(kPage, "<a href=\"x\0y\">\x81"s), "<a href=\"http://h.com/a/x\0y\">\x81"s);
}

TEST(FixLinks, PumpsEventsWhileItWorks) {
  int pumps = 0;
  SetThreadPumpHook([&] { ++pumps; });
  Fix(kPage, R"(<img data-src="1.jpg"><img file="2.jpg">)");
  SetThreadPumpHook({});
  EXPECT_GE(pumps, 2 + 3);  // each image, each pass
}

}  // namespace
}  // namespace plexaro
