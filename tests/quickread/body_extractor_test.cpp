#include "quickread/body_extractor.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "reference_extractor.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

class Extractor : public ::testing::Test {
 protected:
  void SetUp() override { extractor.Prepare(); }
  BodyExtractor extractor;
};

Text Div(const Text& inner) {
  return "<div>" + inner + "</div>";
}

TEST(CountOccurrences, CountsWithoutOverlapAndByCharacters) {
  struct Case {
    Text haystack, needle;
    bool ignoreCase;
    long expected;
  };
  const Case cases[] = {
      {"</div>x</DIV>", "</div>", true, 2},
      {"</div>x</DIV>", "</div>", false, 1},
      {"aaa", "aa", false, 1},
      {"aaaa", "aa", false, 2},
      {"\xB0\xA1", "\xA1", false, 0},  // the second byte of a character is not a start
      {"\xA1\xB0\xA1", "\xB0", false, 0},
      {"abc", "", false, 0},
      {"", "a", false, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BodyExtractor::CountOccurrences(c.haystack, c.needle, c.ignoreCase), c.expected)
        << ::testing::PrintToString(c.haystack) << " / " << c.needle;
  }
}

TEST_F(Extractor, CleanDropsScriptsStylesFormsAndComments) {
  const Text page =
      "<div>a<script type=x>var s='<div>';</script>b<STYLE>p{}</STYLE>c<select><option>o"
      "</select>d<button>b</button>e<input type=text value=v>f<!-- note -->g/* css */h</div>";
  EXPECT_EQ(extractor.Clean(page), "<div>abcdefgh</div>");
  // A comment that spans lines is not one the cleaning knows.
  EXPECT_EQ(extractor.Clean("<!-- a\nb -->"), "<!-- a\nb -->");
}

TEST_F(Extractor, LowRatioWhenTheOnlyDivIsMostlyMarkup) {
  const Text page = "<div><span class=\"" + Text(200, 'c') + "\"></span>short</div>";
  EXPECT_EQ(extractor.ExtractByBlocks(page, "div"), BodyExtractor::LowRatioMarker());
  EXPECT_EQ(extractor.ExtractByGroups(page, "div"), BodyExtractor::LowRatioMarker());
}

TEST_F(Extractor, BlocksDropAWrapperAboveThirtyPercent) {
  // The inner div holds 31 and then 30 of the wrapper's 100 bytes of bare text.
  const Text inner31 = Div(Text(31, 'b')), inner30 = Div(Text(30, 'b'));
  EXPECT_EQ(extractor.ExtractByBlocks(Div(Text(69, 'a') + inner31), "div"), inner31);
  const Text wrapper = Div(Text(70, 'a') + inner30);
  EXPECT_EQ(extractor.ExtractByBlocks(wrapper, "div"), wrapper);
}

TEST_F(Extractor, GroupsDropAWrapperAboveHalf) {
  const Text inner = Div("bbbb");
  // Twice as long and containing the inner text: 50 % is not above 50 %, it stays.
  const Text twice = Div("aaaa" + inner);
  EXPECT_EQ(extractor.ExtractByGroups(twice, "div"), twice);
  EXPECT_EQ(extractor.ExtractByGroups(Div("aaa" + inner), "div"), inner);
  // A longer text that does not contain the shorter one is no wrapper of it.
  const Text other = "<div>bbbbccc</div><div>cccbb</div>";
  EXPECT_EQ(extractor.ExtractByGroups(other, "div"), "<div>bbbbccc</div>");
}

TEST_F(Extractor, AnElementWithoutBareTextIsAGroupButNoBlock) {
  const Text page = "<div><a href=\"/x\">only a link</a></div>";
  EXPECT_EQ(extractor.ExtractByBlocks(page, "div"), "");
  // One group with the empty text: nothing against its markup.
  EXPECT_EQ(extractor.ExtractByGroups(page, "div"), BodyExtractor::LowRatioMarker());
}

TEST_F(Extractor, NoElementOfTheTagGivesTheEmptyText) {
  for (const Text& page : {Text("<p>text only</p>"), Text(""), Text("<table>t</table>")}) {
    EXPECT_EQ(extractor.ExtractByBlocks(page, "div"), "") << page;
    EXPECT_EQ(extractor.ExtractByGroups(page, "div"), "") << page;
  }
}

TEST_F(Extractor, EquallyLongBlocksResolveByTheProbe) {
  // Bare lengths arrive as 3, 2, 1, 5, 5: the second 5 ends first.
  const Text page = Div("ccc") + Div("bb") + Div("a") + Div("first") + Div("later") + "<p>tail</p>";
  EXPECT_EQ(extractor.ExtractByBlocks(page, "div"), Div("later"));
  EXPECT_EQ(extractor.ExtractByBlocks(Div("first") + Div("later"), "div"), Div("first"));
}

TEST_F(Extractor, LinksCountForNothing) {
  const Text nav = "<div>" + Text(5, 'x') + "<a href=1>" + Text(300, 'l') + "</a></div>";
  const Text body = Div(Text(40, 't'));
  EXPECT_EQ(extractor.ExtractByBlocks(nav + body, "div"), body);
  EXPECT_EQ(extractor.ExtractByGroups(nav + body, "div"), body);
}

// A random page of nested elements, text, links and the malformed markup real pages carry.
class PageMaker {
 public:
  explicit PageMaker(unsigned seed) : random_(seed) {}

  Text Page() {
    Text out;
    Children(out, 0);
    return out;
  }

 private:
  void Children(Text& out, int depth) {
    const int count = int(random_() % 5);
    for (int i = 0; i < count; ++i) Node(out, depth);
  }

  void Node(Text& out, int depth) {
    static const char* const kWords[] = {"word", "Text", "  ", "\r\n", "\xD5\xFD\xCE\xC4",
                                         "x",    "<",    ">",  "a<b",  "\x81"};
    static const char* const kOdd[] = {
        "</div>", "<div/>",         "<div title=\"<div>\">",         "<a href=x>", "</a>",
        "<a ",    "<!-- <div> -->", "<script><div>s</div></script>", "<divx>",     "</TABLE>"};
    switch (random_() % 9) {
      case 0:
      case 1:
      case 2:
        out += kWords[random_() % std::size(kWords)];
        break;
      case 3:
        out += "<a href=\"/l\">link " + Text(random_() % 30, 'k') + "</a>";
        break;
      case 4:
        out += kOdd[random_() % std::size(kOdd)];
        break;
      default:
        if (depth < 7) Element(out, depth);
    }
  }

  void Element(Text& out, int depth) {
    static const char* const kTags[] = {"div", "div", "DIV", "table", "td", "p"};
    const Text tag = kTags[random_() % std::size(kTags)];
    out += "<" + tag + (random_() % 2 ? " class=\"c\"" : "") + ">";
    if (random_() % 3 == 0) out += Text(random_() % 80, 't');
    Children(out, depth + 1);
    if (random_() % 8 != 0) out += "</" + tag + ">";  // some are never closed
  }

  std::mt19937 random_;
};

TEST_F(Extractor, AgreesWithTheStepByStepReadingOnRandomPages) {
  for (unsigned seed = 1; seed <= 600; ++seed) {
    const Text page = PageMaker(seed).Page();
    for (const char* tag : {"div", "table"}) {
      ASSERT_EQ(extractor.ExtractByBlocks(page, tag), reference::Blocks(extractor, page, tag))
          << "blocks, " << tag << ", seed " << seed << ": " << page;
      ASSERT_EQ(extractor.ExtractByGroups(page, tag), reference::Groups(extractor, page, tag))
          << "groups, " << tag << ", seed " << seed << ": " << page;
    }
  }
}

Text ReadGbkPage(const char* utf8Path) {
  ByteSet bytes;
  if (!ReadWholeFile(utf8Path, bytes)) return Text();
  return Utf8ToGbk(bytes);
}

TEST_F(Extractor, RealPagesAgreeWithTheStepByStepReading) {
  struct Case {
    const char* name;
    Text bodyStart;  // empty: the page is mostly links, below the text ratio
  };
  const Case cases[] = {
      {"web-2021-results.html", ""},
      {"weixin-2017-articles.html", ""},
      {"weixin-2017-antispider.html", "<div class=\"content-box\">"},
  };
  for (const Case& c : cases) {
    const Text page = ReadGbkPage((Text(PLEXARO_SHARED_FIXTURES "/sogou/") + c.name).c_str());
    ASSERT_FALSE(page.empty()) << c.name;
    for (const char* tag : {"div", "table"}) {
      EXPECT_EQ(extractor.ExtractByBlocks(page, tag), reference::Blocks(extractor, page, tag))
          << c.name << " " << tag;
      EXPECT_EQ(extractor.ExtractByGroups(page, tag), reference::Groups(extractor, page, tag))
          << c.name << " " << tag;
    }
    for (ExtractMode mode : {ExtractMode::GroupDensity, ExtractMode::BlockDensity}) {
      const Text body = extractor.Extract(page, mode);
      EXPECT_EQ(body.substr(0, c.bodyStart.size()), c.bodyStart) << c.name << " " << int(mode);
      EXPECT_EQ(body.empty(), c.bodyStart.empty()) << c.name << " " << int(mode);
    }
  }
}

}  // namespace
}  // namespace plexaro
