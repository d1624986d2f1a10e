#include "core/search_request.h"

#include "web/address.h"

namespace plexaro {
namespace {

Text SearchText(std::string_view keyword, std::string_view siteLimit, bool keywordInTitle,
                int dataSource) {
  Text prefix = keywordInTitle ? "intitle:" : "";
  Text sitePart = siteLimit.empty() ? Text() : " site:" + HostOfAddress(siteLimit);
  switch (dataSource) {
    case 0:
      return prefix + Text(keyword) + sitePart;
    case 1:
      return Text(keyword) + sitePart;  // the title option travels as "mode"
    default:
      return prefix + Text(keyword);
  }
}

}  // namespace

Text BuildSearchAddress(std::string_view keyword, std::string_view siteLimit, bool keywordInTitle,
                        int dataSource, int resultCount, const SearchHosts& hosts) {
  if (dataSource < 0 || dataSource > 3) return Text();
  if (resultCount < 1 || resultCount > 100) resultCount = 20;
  Text query = UrlEncode(SearchText(keyword, siteLimit, keywordInTitle, dataSource), true);
  Text count = std::to_string(resultCount);
  switch (dataSource) {
    case 0:
      return "http://" + hosts.web + "/web?query=" + query +
             "&tsn=1&sourceid=inttime_day&num=" + count;
    case 1:
      return "http://" + hosts.news + "/news?query=" + query +
             "&mode=" + (keywordInTitle ? "2" : "1") + "&manual=true&sort=1&num=" + count;
    case 2:
      return "http://" + hosts.web + "/web?query=" + query +
             "&tsn=1&sourceid=inttime_day&interation=196648&num=" + count;
    default:
      return "http://" + hosts.weChat + "/weixin?query=" + query +
             "&tsn=1&sourceid=inttime_day&type=2&num=" + count;
  }
}

Text PageAddress(std::string_view address, int page) {
  if (page <= 1) return Text(address);
  return Text(address) + "&page=" + std::to_string(page);
}

const Text& SearchCookieTemplate() {
  static const Text kCookie =
      "IPLOC=CN1100; SUID=7B3C9E1F2A4D5E6F8091A2B3C4D5E6F7; SMYUV=1417016545123456; "
      "ssuid=4829173650; wuid=AAGs7QkJYwAAAAqUKHxWdgQAGwY=; SUV=1417016545274829173650123; "
      "browser_width=1585; browser_height=733; sct=94; "
      "ld=kZl9yH0c7VJqLzMnPqRsTuVwXyZ0123456789abcdefghijABCDEFG@@@@@@@@@@; "
      "SNUID=#SNUID#; usid=Kx7mQ2pL9vR4tW1z; ABTEST=0|1417016545|v17; LSTMV=633%2C74; "
      "LCLKINT=412538";
  return kCookie;
}

}  // namespace plexaro
