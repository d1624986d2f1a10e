// Pages no site sends on purpose: huge, deeply nested, without the usual tags, or not
// HTML at all. Each must give a defined result quickly.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "quickread/body_extractor.h"
#include "reference_extractor.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

// Far above what the linear work takes, far below what work growing with the square of
// these sizes would take (hours). Unoptimized and sanitized builds run several times slower.
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr double kSecondsPerPage = 20;
#else
constexpr double kSecondsPerPage = 150;
#endif

class Robustness : public ::testing::Test {
 protected:
  void SetUp() override { extractor.Prepare(); }

  // Runs every mode on the page and returns the results in mode order.
  std::vector<Text> AllModes(const Text& page, const Text& markers = "<div>") {
    const auto started = std::chrono::steady_clock::now();
    std::vector<Text> results;
    for (int mode = 0; mode < 4; ++mode) {
      results.push_back(extractor.Extract(page, static_cast<ExtractMode>(mode), markers));
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took.count(), kSecondsPerPage) << page.size() << " bytes";
    return results;
  }

  BodyExtractor extractor;
};

Text Nested(int depth, const Text& ownText, const Text& innermost) {
  Text page;
  for (int i = 0; i < depth; ++i) page += "<div>" + ownText;
  page += innermost;
  for (int i = 0; i < depth; ++i) page += "</div>";
  return page;
}

TEST_F(Robustness, DeepNestingWithTextOnlyInside) {
  const std::vector<Text> results = AllModes(Nested(20000, "", "x"));
  EXPECT_EQ(results[1], "<div>x</div>");  // every wrapper goes
  EXPECT_EQ(results[0], "");              // one group, its longest html almost all markup
  EXPECT_EQ(results[3].substr(0, 10), "<div><div>");
}

TEST_F(Robustness, DeepNestingWithTextAtEveryLevel) {
  const Text page = Nested(20000, gbk("字"), "x");
  const std::vector<Text> results = AllModes(page);
  // Each level wraps the next, which holds nearly all of its text.
  EXPECT_EQ(results[1], "<div>" + gbk("字") + "x</div>");
  EXPECT_FALSE(results[0].empty());
  // Every nested element repeats the ones inside it; the joined result is cut short.
  EXPECT_LT(results[3].size(), 4 * page.size() + (size_t(1) << 20));
  EXPECT_EQ(results[3].substr(results[3].size() - 2), "\r\n");
}

// Deep nesting inside a link, and deep nesting whose closing tags all sit inside a link:
// the tag pattern takes a link with its content, so the page's own walk through the tags
// never stops at these elements' edges.
Text NestedInLink(int depth) {
  return "<a href=1>" + Nested(depth, "t", "x") + "</a>";
}
Text ClosedInsideLink(int depth) {
  Text page;
  for (int i = 0; i < depth; ++i) page += "<div>t";
  page += "<a href=1>x";
  for (int i = 0; i < depth; ++i) page += "</div>";
  return page + "</a>";
}

TEST_F(Robustness, DeepNestingAcrossLinks) {
  for (const Text& page : {NestedInLink(20000), ClosedInsideLink(20000)}) {
    const std::vector<Text> results = AllModes(page);
    EXPECT_EQ(results[1].substr(0, 6), "<div>t");
  }
}

TEST_F(Robustness, ModerateNestingMatchesTheStepByStepReading) {
  for (const Text& page :
       {Nested(300, "ab", "x"), Nested(300, "", "x"), Nested(200, "<p>a</p>", "<a href=1>x</a>"),
        NestedInLink(200), ClosedInsideLink(200)}) {
    for (const char* tag : {"div", "table"}) {
      EXPECT_EQ(extractor.ExtractByBlocks(page, tag), reference::Blocks(extractor, page, tag));
      EXPECT_EQ(extractor.ExtractByGroups(page, tag), reference::Groups(extractor, page, tag));
    }
  }
}

TEST_F(Robustness, TenMegabyteArticlePage) {
  Text page = "<html><body><div id=\"nav\">";
  for (int i = 0; i < 50; ++i) page += "<a href=\"/n" + std::to_string(i) + "\">nav</a>";
  page += "</div>";
  const Text paragraph =
      "<p>" + gbk("这是一段正文，讲述了今天发生的事情。") + " Some words too.</p>\r\n";
  while (page.size() < (size_t(10) << 20)) {
    page += "<div class=\"post\"><div class=\"meta\"><a href=\"/u\">user</a></div><div>";
    for (int i = 0; i < 20; ++i) page += paragraph;
    page += "</div></div><table><tr><td>cell</td><td>" + paragraph + "</td></tr></table>\r\n";
  }
  page += "</body></html>";
  const std::vector<Text> results = AllModes(page, "<div class=\"post\">");
  EXPECT_EQ(results[1].substr(0, 5), "<div>");
  EXPECT_FALSE(results[0].empty());
  EXPECT_EQ(results[2].substr(0, 18), "<div class=\"post\">");
}

TEST_F(Robustness, PagesWithoutDivOrTable) {
  Text page;
  while (page.size() < (size_t(2) << 20)) page += "<p>Only paragraphs and <b>bold</b> text.</p>\n";
  for (const Text& result : AllModes(page)) EXPECT_EQ(result, "");
  for (const Text& result : AllModes("plain text without any markup")) EXPECT_EQ(result, "");
}

TEST_F(Robustness, BinaryGarbage) {
  std::mt19937 random(5);
  Text bytes(size_t(4) << 20, '\0');
  for (char& c : bytes) c = char(random());
  AllModes(bytes);
  // Garbage made of the pieces the scanners react to, and a lone lead byte at the end.
  static const char* const kPieces[] = {"<div",    "</div>", "<",        ">",  "<a ",
                                        "/a>",     "<table", "</table>", "/*", "<!--",
                                        "<script", "\x81",   "=",        "\""};
  Text pieces;
  while (pieces.size() < (size_t(4) << 20)) pieces += kPieces[random() % std::size(kPieces)];
  pieces += "\x81";
  AllModes(pieces, "<div>|<table>");
}

}  // namespace
}  // namespace plexaro
