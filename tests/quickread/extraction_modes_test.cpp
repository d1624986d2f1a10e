#include <gtest/gtest.h>

#include <string>

#include "quickread/body_extractor.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

class Modes : public ::testing::Test {
 protected:
  void SetUp() override { extractor.Prepare(); }
  BodyExtractor extractor;
};

Text TableOf(const Text& cell) {
  return "<table><tr><td>" + cell + "</td></tr></table>";
}

TEST_F(Modes, TableWinsAboveEightyPercentOfTheDivText) {
  const Text div = "<div>" + Text(100, 'd') + "</div>";
  for (ExtractMode mode : {ExtractMode::GroupDensity, ExtractMode::BlockDensity}) {
    const Text table81 = TableOf(Text(81, 't')), table80 = TableOf(Text(80, 't'));
    EXPECT_EQ(extractor.Extract(div + table81, mode), table81) << int(mode);
    EXPECT_EQ(extractor.Extract(div + table80, mode), div) << int(mode);
  }
}

TEST_F(Modes, TextOnlyInATableGivesTheTable) {
  const Text table = TableOf(gbk("正文只在表格里"));
  const Text page = "<html><body><p>x</p>" + table + "</body></html>";
  EXPECT_EQ(extractor.Extract(page, ExtractMode::GroupDensity), table);
  EXPECT_EQ(extractor.Extract(page, ExtractMode::BlockDensity), table);
}

TEST_F(Modes, LowRatioNeverLeavesTheExtractor) {
  const Text markup = Text(400, ' ');
  const Text page =
      "<div><p" + markup + ">a</p></div><table><tr" + markup + "><td>b</td></tr></table>";
  EXPECT_EQ(extractor.ExtractByBlocks(page, "div"), BodyExtractor::LowRatioMarker());
  EXPECT_EQ(extractor.ExtractByBlocks(page, "table"), BodyExtractor::LowRatioMarker());
  EXPECT_EQ(extractor.Extract(page, ExtractMode::BlockDensity), "");
  EXPECT_EQ(extractor.Extract(page, ExtractMode::GroupDensity), "");
  EXPECT_EQ(extractor.Extract("", ExtractMode::GroupDensity), "");
}

TEST_F(Modes, UnknownModeGivesTheEmptyText) {
  EXPECT_EQ(extractor.Extract("<div>text</div>", static_cast<ExtractMode>(4)), "");
  EXPECT_EQ(extractor.Extract("<div>text</div>", static_cast<ExtractMode>(-1)), "");
}

TEST_F(Modes, MarkersJoinTheirElementsWithLineBreaks) {
  const Text markers = "<div class=\"bbs-content clearfix\">|<div class=\"bbs-content\">";
  const Text first1 = "<div class=\"bbs-content clearfix\">one</div>";
  const Text first2 = "<div class=\"bbs-content clearfix\">two</div>";
  const Text second = "<div class=\"bbs-content\">three</div>";
  struct Case {
    const char* what;
    Text page, markers;
    ExtractMode mode;
    Text expected;
  };
  const Case cases[] = {
      {"two of the first kind, then the separator before the empty second",
       "<p>" + first1 + "</p>" + first2, markers, ExtractMode::MarkerAll,
       first1 + "\r\n" + first2 + "\r\n" + "\r\n"},
      {"only the second kind: no leading separator", second + "<p>x</p>", markers,
       ExtractMode::MarkerAll, second + "\r\n"},
      {"first of each marker", first1 + first2 + second, markers, ExtractMode::MarkerFirst,
       first1 + "\r\n" + second},
      {"a trailing empty alternative changes nothing", second, "<div class=\"bbs-content\">|",
       ExtractMode::MarkerAll, second + "\r\n"},
      {"blank alternatives add nothing", second,
       "  |<div class=\"bbs-content\">|" + gbk("　") + " ", ExtractMode::MarkerAll,
       second + "\r\n"},
      {"markers in their own order, whatever the page's", second + first1, markers,
       ExtractMode::MarkerFirst, first1 + "\r\n" + second},
      {"no match at all", "<p>nothing</p>", markers, ExtractMode::MarkerAll, ""},
      {"no match with one marker", "<p>nothing</p>", "<pre>", ExtractMode::MarkerFirst, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(extractor.Extract(c.page, c.mode, c.markers), c.expected) << c.what;
  }
}

TEST_F(Modes, MarkerWithoutAttributesTakesEveryElementOfItsTag) {
  const Text page = "<pre>a</pre><p>x</p><PRE class=q>b</PRE>";
  EXPECT_EQ(extractor.Extract(page, ExtractMode::MarkerAll, "<pre>"),
            "<pre>a</pre>\r\n<PRE class=q>b</PRE>\r\n");
  EXPECT_EQ(extractor.Extract(page, ExtractMode::MarkerFirst, "<pre>"), "<pre>a</pre>");
}

TEST_F(Modes, MarkerValuesAreReadWholeFromTheMarker) {
  const Text marker = "<div class=\"d_post_content j_d_post_content \">";
  const Text post = "<div class=\"d_post_content j_d_post_content\">post</div>";
  const Text page = "<div class=\"d_post_content\">partial</div>" + post;
  EXPECT_EQ(extractor.Extract(page, ExtractMode::MarkerFirst, marker), post);
  // Several attributes must all match; letter case and quotes do not matter.
  const Text question = "<pre accuse=\"qContent\" id=A>q</pre>";
  EXPECT_EQ(extractor.Extract("<pre accuse=\"qContent\">n</pre>" + question,
                              ExtractMode::MarkerFirst, "<pre accuse=\"qcontent\" id=\"a\">"),
            question);
}

TEST_F(Modes, MarkerElementsComeCleanedNormalizedAndNested) {
  const Text page = "<div class=c>a<script>x</script><div class=c>b<img src = x></div></div>";
  EXPECT_EQ(extractor.Extract(page, ExtractMode::MarkerAll, "<div class=\"c\">"),
            "<div class=c>a<div class=c>b<img src=x></div></div>\r\n"
            "<div class=c>b<img src=x></div>\r\n");
}

}  // namespace
}  // namespace plexaro
