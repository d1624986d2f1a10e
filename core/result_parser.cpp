#include "core/result_parser.h"

#include "core/date_time.h"
#include "web/gbk.h"
#include "web/markers.h"
#include "web/text_helpers.h"

namespace plexaro {
namespace {

const Text& BlankPattern() {
  return gbk("^[　 \\t]*$(\\r\\n)|^[ 　\\t]+|[ 　\\t]+$|\\r|\\n|\\t");
}

}  // namespace

ResultParser::ResultParser() {
  PrepareCycle();
}

void ResultParser::PrepareCycle() {
  tagStripper_.Create("<[\\s\\S]+?>");
  blankStripper_.Create(BlankPattern());
}

long ResultParser::FindResultBlocks(std::string_view page) {
  Text container = tags_.FindElement(page, "div", {"class"}, {"results"});
  return tags_.CollectAll(container, "div", {"class", "class", "class"},
                          {"vrwrap", "rb", "wx-rb wx-rb3"});
}

Text ResultParser::CleanText(std::string_view text) {
  Text plain = DecodeEntities(tagStripper_.ReplaceAll(text, ""));
  return blankStripper_.ReplaceAll(plain, "");
}

Text ResultParser::TimeOf(const Text& block, int dataSource) {
  Text time;
  if (dataSource == kWeChat) {
    time = CleanText(finder_.FindElement(block, "div", {"class"}, {"s-p"}));
    time = TimestampToText(TextBetween(time, "vrTimeHandle552write('", "')"));
  } else {
    time = CleanText(finder_.FindElement(block, "cite"));
  }
  // The date is what follows the last space (a host name may come before it).
  time = TextBetween(time, " ", "", nullptr, true);
  if (dataSource == kGeneralWeb || dataSource == kForum) {
    time = "[" + FormatDateTime(kCustomDateTime, "#4:#5") + "]" + time;
  }
  return time;
}

std::optional<HitRecord> ResultParser::ParseHit(long k, const MonitorConfig& config,
                                                std::string_view keyword) {
  Text block = tags_.ElementText(k);
  Text heading = finder_.FindElement(block, config.dataSource == kWeChat ? "h4" : "h3");
  Text link = finder_.FindElement(heading, "a");
  HitRecord hit;
  hit.title = CleanText(link);
  if (config.keywordInTitle && config.completeMatch &&
      FindText(hit.title, keyword, 1, Case::kIgnore) < 0) {
    return std::nullopt;
  }
  hit.address = TagObject::Attribute(link, "href");
  hit.time = TimeOf(block, config.dataSource);
  if (hit.title.empty()) return std::nullopt;
  return hit;
}

Text ExtractSnuid(std::string_view page) {
  return TextBetween(page, "SNUID=", ";");
}

}  // namespace plexaro
