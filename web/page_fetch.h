// One HTTP or HTTPS page request with headers composed the browser's way, returning
// the raw body, the raw response headers and the cookies the server set; and the three
// address parsers it connects with.
//
// Meant for a worker thread that a waiting thread can stop through an abort flag.
// Certificates are verified against the system's trust store; nothing is cached.
#pragma once

#include <atomic>
#include <string_view>

#include "web/text.h"

namespace plexaro {

// The request, and the results WinInetFetch writes back.
struct FetchRecord {
  Text address;
  Text method;   // "POST" sends `body`; anything else is a GET
  Text proxy;    // used for "http://" addresses only; empty: direct
  Text headers;  // extra request headers, lines each ending in CR LF
  ByteSet body;
  Text cookie;  // sent as the only cookie when not empty
  bool forbidRedirects = false;

  ByteSet responseBody;   // raw, as received (cut at 32 MB)
  Text collectedCookies;  // "name=value;" for every cookie the last response set
  Text rawHeaders;        // status line and header lines, each ending in CR LF, then CR LF
};

// Performs the request the record describes (with the agent of the headers' own
// "User-Agent:" line, else kDefaultAgent) and writes its results. Returns false, with
// empty results, when no response arrived (bad address, no connection, certificate
// refused, abort before the answer); a response cut short keeps what arrived. Setting
// `*abort` from another thread ends the request within a fraction of a second.
bool WinInetFetch(FetchRecord& record, const std::atomic<bool>* abort = nullptr);

// Forgets the cookies page fetches have received (they are shared by the whole process,
// like a browser's, and sent with every later fetch that brings no cookie of its own).
void ClearPageFetchCookies();

// The host of an address in lower case (with its ":port" when `keepPort`); an address
// without a scheme counts as "http://"; empty when there is no host part.
Text UrlHost(std::string_view address, bool keepPort = false);
// The explicit port, else 443 for "https" addresses and 80 for all others.
int UrlPort(std::string_view address);
// The path after the host, query included, in the address's letter case; "/" when none.
Text UrlPath(std::string_view address);

}  // namespace plexaro
