#include "core/seen_lists.h"

#include <algorithm>

#include "web/gbk.h"

namespace plexaro {
namespace {

std::deque<Text> SplitLines(std::string_view text) {
  std::vector<Text> pieces = SplitText(text, "\r\n");
  return std::deque<Text>(std::make_move_iterator(pieces.begin()),
                          std::make_move_iterator(pieces.end()));
}

Text JoinStored(const std::deque<Text>& lines) {
  return JoinLines(std::vector<Text>(lines.begin(), lines.end()));
}

bool IsRepeat(const SeenLists& seen, const HitRecord& hit) {
  for (size_t j = 0; j < seen.addresses.size(); ++j) {
    if (seen.addresses[j] == hit.address || seen.titles[j] == hit.title) return true;
  }
  return false;
}

// Plain text escapes "&" too; an address is kept as the page wrote it (its entities
// are already escaped), so only what could end the attribute or open a tag is escaped.
Text EscapeHtml(std::string_view text, bool keepAmpersands = false) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (IsLeadByte(c) && i + 1 < text.size()) {
      out += c;
      out += text[++i];
      continue;
    }
    switch (c) {
      case '&':
        out += keepAmpersands ? "&" : "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

Text SeenListKey(const MonitorConfig& config, std::string_view keyword) {
  Text source = std::to_string(config.dataSource) + "#" + Text(keyword) + "#" + config.siteLimit +
                "#" + (config.keywordInTitle ? gbk("真") : gbk("假"));
  return AddressChecksum(source);
}

Text KeywordColumn(const MonitorConfig& config, std::string_view keyword) {
  Text column(keyword);
  if (!config.siteLimit.empty()) column += " site:" + config.siteLimit;
  return column;
}

SeenLists SeenLists::FromStored(std::string_view addresses, std::string_view titles) {
  SeenLists seen;
  seen.addresses = SplitLines(addresses);
  seen.titles = SplitLines(titles);
  seen.titles.resize(seen.addresses.size());
  return seen;
}

Text SeenLists::StoredAddresses() const {
  return JoinStored(addresses);
}
Text SeenLists::StoredTitles() const {
  return JoinStored(titles);
}

NewHits TakeNewHits(SeenLists& seen, const std::vector<HitRecord>& latest) {
  NewHits result;
  for (const HitRecord& hit : latest) {
    if (IsRepeat(seen, hit)) continue;
    seen.addresses.push_front(hit.address);
    seen.titles.push_front(hit.title);
    result.hits.push_back(hit);
    result.txtLines += hit.address + "\r\n";
    result.htmlLines += RefreshHtmlLine(hit);
  }
  if (seen.addresses.size() > kSeenListLimit) {
    seen.addresses.resize(kSeenListLimit);
    seen.titles.resize(kSeenListLimit);
  }
  return result;
}

Text RefreshHtmlLine(const HitRecord& hit) {
  static const Text kTemplate =
      gbk("<a href=\"#网址#\" target=\"_blank\">#时间#|#标题#</a><br>\r\n");
  Text line = ReplaceAll(kTemplate, gbk("#网址#"), EscapeHtml(hit.address, true));
  line = ReplaceAll(line, gbk("#标题#"), EscapeHtml(hit.title));
  return ReplaceAll(line, gbk("#时间#"), EscapeHtml(hit.time));
}

}  // namespace plexaro
