// The search requests a worker sends: the address per data source, further result
// pages, and the fixed cookie text carried by every search request.
#pragma once

#include "web/text.h"

namespace plexaro {

// The search engine's hosts ("host" or "host:port"); the configuration file may
// override them in the section "搜索主机".
struct SearchHosts {
  Text web = "www.sogou.com";        // general web and forum search
  Text news = "news.sogou.com";      // news search
  Text weChat = "weixin.sogou.com";  // WeChat article search
};

// The address of result page 1; empty for a data source outside 0..3. A result count
// outside 1..100 asks for 20.
Text BuildSearchAddress(std::string_view keyword, std::string_view siteLimit, bool keywordInTitle,
                        int dataSource, int resultCount, const SearchHosts& hosts = SearchHosts());

// Page 1 is the address itself; later pages append "&page=" and the number.
Text PageAddress(std::string_view address, int page);

// The cookie text with the placeholder "#SNUID#" for the engine's current SNUID value.
const Text& SearchCookieTemplate();
constexpr std::string_view kSnuidPlaceholder = "#SNUID#";

}  // namespace plexaro
