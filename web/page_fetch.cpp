#include "web/page_fetch.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "web/curl_transfer.h"
#include "web/web_request.h"

namespace plexaro {
namespace {

constexpr std::string_view kAcceptLine =
    "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";
constexpr std::string_view kLanguageLine = "Accept-Language: zh-cn\r\n";
constexpr std::string_view kFormTypeLine = "Content-Type: application/x-www-form-urlencoded\r\n";
// A caller's marker in the headers text that asks for no referrer.
constexpr std::string_view kNoReferrer = "RefererNo";
// The caller normally stops a fetch itself; these only keep a forgotten one from
// holding its thread for ever.
constexpr long kConnectTimeoutSeconds = 60;
constexpr long kTotalTimeoutSeconds = 600;

// The page fetches' own cookie store, shared by every fetch of the process like a
// browser's: curl's share interface, guarded by one mutex per kind of shared data.
class SharedCookieStore {
 public:
  static SharedCookieStore& Instance() {
    static SharedCookieStore store;
    return store;
  }
  SharedCookieStore(const SharedCookieStore&) = delete;
  SharedCookieStore& operator=(const SharedCookieStore&) = delete;

  CURLSH* Share() const { return share_; }

 private:
  SharedCookieStore() {
    InitCurlOnce();
    share_ = curl_share_init();
    if (!share_) return;
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &SharedCookieStore::Lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &SharedCookieStore::Unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  }
  // Fetches still running on abandoned threads at exit keep the share in use; curl
  // then refuses the clean-up, which is harmless.
  ~SharedCookieStore() {
    if (share_) curl_share_cleanup(share_);
  }
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<SharedCookieStore*>(self)->mutexes_.at(size_t(data)).lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<SharedCookieStore*>(self)->mutexes_.at(size_t(data)).unlock();
  }

  CURLSH* share_ = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
};

bool Holds(std::string_view text, std::string_view what) {
  return FindText(text, what, 1, Case::kIgnore) > 0;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimBlanks(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool OwnCookie(const FetchRecord& record) {
  return !TrimBlanks(record.cookie).empty();
}

// The caller's headers completed in this order: accept, referrer (unless asked for
// none), language, form type and length of a POST body, cookie.
Text CompleteHeaders(const FetchRecord& record, bool post) {
  Text headers = record.headers;
  if (!Holds(headers, "Accept")) headers += kAcceptLine;
  if (!Holds(headers, "Referer")) headers += "Referer: " + record.address + "\r\n";
  if (long marker = FindText(headers, kNoReferrer, 1, Case::kIgnore); marker > 0) {
    headers.erase(size_t(marker) - 1, kNoReferrer.size());
  }
  if (!Holds(headers, "Accept-Language")) headers += kLanguageLine;
  if (post && !record.body.empty()) {
    if (!Holds(headers, "Content-Type")) headers += kFormTypeLine;
    if (!Holds(headers, "Content-Length")) {
      headers += "Content-Length: " + std::to_string(record.body.size()) + "\r\n";
    }
  }
  if (!record.cookie.empty()) {
    headers += "Cookie: " + Text(CutAtLineBreakOrNul(record.cookie)) + "\r\n\r\n";
  }
  return headers;
}

// One header per CR LF line; a lone CR, LF or NUL ends its line, so no text of the
// caller's can start a header or request of its own.
void AddHeaderLines(std::string_view headers, CurlHeaderList& list) {
  bool anyAccept = false;
  for (const Text& whole : SplitText(headers, "\r\n")) {
    std::string_view line = CutAtLineBreakOrNul(whole);
    size_t colon = line.find(':');
    if (colon == line.npos) continue;
    std::string_view name = TrimBlanks(line.substr(0, colon));
    if (list.Append(name, TrimBlanks(line.substr(colon + 1)))) {
      anyAccept = anyAccept || EqualsIgnoreCase(name, "Accept");
    }
  }
  if (!anyAccept) list.Suppress("Accept");
}

std::string_view AgentOf(std::string_view headers) {
  if (!Holds(headers, "User-Agent:")) return kDefaultAgent;
  long start = FindText(headers, "User-Agent:");
  if (start < 0) return {};
  size_t from = size_t(start) - 1 + 11;
  size_t end = std::min(headers.find("\r\n", from), headers.size());
  return TrimBlanks(headers.substr(from, end - from));
}

// Each "name=value" pair the response set, followed by ";". A request that sent its
// own cookie has not stored the received ones on the way: they go into the shared store
// here, for the request's host.
Text CollectCookies(CURL* easy, std::string_view rawHeaders, std::string_view host, bool store) {
  Text cookies;
  for (const Text& line : SplitText(rawHeaders, "\r\n")) {
    if (!StartsWithIgnoreCase(line, "Set-Cookie:")) continue;
    std::string_view cookie = TrimBlanks(std::string_view(line).substr(11));
    std::string_view pair = cookie.substr(0, std::min(cookie.size(), cookie.find(';')));
    cookies.append(pair).append(";");
    size_t equals = pair.find('=');
    if (!store || equals == pair.npos || host.empty() || pair.find('\t') != pair.npos) continue;
    Text storeLine = Text(host) + "\tFALSE\t/\tFALSE\t0\t" + Text(pair.substr(0, equals)) + "\t" +
                     Text(pair.substr(equals + 1));
    curl_easy_setopt(easy, CURLOPT_COOKIELIST, storeLine.c_str());
  }
  return cookies;
}

void Prepare(CurlTransfer& transfer, const FetchRecord& record, bool secure) {
  CURL* easy = transfer.Easy();
  Text url = RequestAddress((secure ? "https://" : "http://") + UrlHost(record.address) + ":" +
                            std::to_string(UrlPort(record.address)) + UrlPath(record.address));
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  bool post = EqualsIgnoreCase(record.method, "POST");
  if (post) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(record.body.size()));
    curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, record.body.c_str());
  }
  Text agent(CutAtLineBreakOrNul(AgentOf(record.headers)));
  if (!agent.empty()) curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());
  bool viaProxy = !record.proxy.empty() && !secure && !HasLineBreakOrNul(record.proxy);
  curl_easy_setopt(easy, CURLOPT_PROXY, viaProxy ? record.proxy.c_str() : "");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, record.forbidRedirects ? 0L : 1L);
  // The store's cookies go out, and received ones come in, only for a request without
  // a cookie of its own; an explicit cookie replaces the store's.
  curl_easy_setopt(easy, CURLOPT_SHARE, SharedCookieStore::Instance().Share());
  if (!OwnCookie(record)) curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, kTotalTimeoutSeconds);
  AddHeaderLines(CompleteHeaders(record, post), transfer.Headers());
  transfer.Headers().Suppress("Expect");
}

}  // namespace

bool WinInetFetch(FetchRecord& record, const std::atomic<bool>* abort) {
  record.responseBody.clear();
  record.collectedCookies.clear();
  record.rawHeaders.clear();
  bool secure = StartsWithIgnoreCase(record.address, "https://");
  if (HasLineBreakOrNul(record.address) || UrlHost(record.address).empty()) return false;
  CurlTransfer transfer;
  if (!transfer.Valid()) return false;
  transfer.SetExternalAbort(abort);
  Prepare(transfer, record, secure);
  if (!transfer.Start()) return false;
  transfer.Drive(CurlTransfer::Clock::time_point::max(), false);
  CurlResponse response = transfer.TakeResponse();
  if (response.statusLine.empty()) return false;
  record.responseBody = std::move(response.body);
  record.rawHeaders = response.statusLine + "\r\n" + response.headers + "\r\n";
  record.collectedCookies =
      CollectCookies(transfer.Easy(), response.headers, UrlHost(record.address), OwnCookie(record));
  return true;
}

Text UrlHost(std::string_view address, bool keepPort) {
  Text lower = AsciiLowerText(address);
  if (lower.empty() || lower.back() != '/') lower += '/';
  std::string_view scheme = "https://";
  if (lower.compare(0, scheme.size(), scheme) != 0) {
    scheme = "http://";
    if (FindText(lower, scheme) < 0) lower.insert(0, scheme);
  }
  long start = FindText(lower, scheme);
  if (start < 0) return {};
  start += long(scheme.size());
  long end = FindText(lower, "/", start);
  if (end < 0) return {};
  Text host = Mid(lower, start, end - start);
  if (!keepPort) host = host.substr(0, host.find(':'));
  return host;
}

int UrlPort(std::string_view address) {
  Text host = UrlHost(address, true);
  size_t colon = host.rfind(':');
  if (colon == host.npos) return StartsWithIgnoreCase(address, "https") ? 443 : 80;
  int port = 0;
  for (size_t i = colon + 1; i < host.size() && host[i] >= '0' && host[i] <= '9'; ++i) {
    port = port * 10 + (host[i] - '0');
    if (port > 65535) return 0;  // no such port: the request then fails
  }
  return port;
}

// The host is looked for after the scheme, so that a host such as "h" or "tp" is not
// found inside "http://".
Text UrlPath(std::string_view address) {
  long scheme = FindText(address, "://");
  long from = scheme < 0 ? 1 : scheme + 3;
  long host = FindText(address, UrlHost(address), from, Case::kIgnore);
  long slash = host < 0 ? -1 : FindText(address, "/", host);
  if (slash < 0) return "/";
  return Text(address.substr(size_t(slash) - 1));
}

void ClearPageFetchCookies() {
  CurlTransfer transfer;
  if (!transfer.Valid()) return;
  curl_easy_setopt(transfer.Easy(), CURLOPT_SHARE, SharedCookieStore::Instance().Share());
  curl_easy_setopt(transfer.Easy(), CURLOPT_COOKIELIST, "ALL");
}

}  // namespace plexaro
