#include "web/web_request.h"

#include <algorithm>
#include <chrono>

#include "web/charset.h"
#include "web/curl_transfer.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

constexpr std::string_view kOldAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)";
constexpr std::string_view kOldAccept =
    "image/gif, image/x-xbitmap, image/jpeg, imagepeg, application/x-shockwave-flash, "
    "application/x-silverlight, */*";
constexpr std::string_view kAcceptLanguage = "zh-cn";
constexpr std::string_view kKeepAlive = "Keep-Alive";
constexpr RequestTimeouts kFetchTimeouts{10000, 10000, 60000, 120000};
constexpr RequestTimeouts kRedirectTimeouts{5000, 5000, 10000, 5000};
constexpr double kFetchWaitSeconds = 120;
constexpr double kRedirectWaitSeconds = 25;
constexpr long kMaxTimeoutMilliseconds = 24L * 3600 * 1000;

Text WithScheme(std::string_view address) {
  if (StartsWithIgnoreCase(address, "http://") || StartsWithIgnoreCase(address, "https://")) {
    return Text(address);
  }
  return "http://" + Text(address);
}

long Clamped(long milliseconds) {
  return std::clamp(milliseconds, 0L, kMaxTimeoutMilliseconds);
}

// Resolve and connect bound the connection; send and receive bound any silence after
// it (less than a byte per second for that long); their sum bounds the whole request,
// so a peer that trickles a byte at a time cannot hold a synchronous request forever.
// Only when all four are 0 is there no bound, as the caller then asked.
void ApplyTimeouts(CURL* easy, const RequestTimeouts& timeouts) {
  long connect = Clamped(timeouts.resolve) + Clamped(timeouts.connect);
  long send = Clamped(timeouts.send), receive = Clamped(timeouts.receive);
  long idleSeconds = (std::max(send, receive) + 999) / 1000;
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connect);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, idleSeconds > 0 ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, idleSeconds);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, connect + send + receive);
}

const char* OrNull(const Text& text) {
  return text.empty() ? nullptr : text.c_str();
}

// The charset named in a "Content-Type" value, without quotes; empty when none.
Text ContentTypeCharset(std::string_view contentType) {
  long at = FindText(contentType, "charset=", 1, Case::kIgnore);
  if (at < 0) return {};
  std::string_view rest = contentType.substr(size_t(at) - 1 + 8);
  rest = TrimBlanks(rest.substr(0, std::min(rest.size(), rest.find(';'))));
  while (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) rest.remove_prefix(1);
  while (!rest.empty() && (rest.back() == '"' || rest.back() == '\'')) rest.remove_suffix(1);
  return Text(rest);
}

// Domain, path and name of a cookie-file line: what makes a cookie another one.
Text CookieKey(std::string_view line) {
  std::vector<Text> fields = SplitText(line, "\t");
  if (fields.size() < 6) return Text(line);
  return fields[0] + '\t' + fields[2] + '\t' + fields[5];
}

std::vector<Text> HandleCookieLines(CURL* easy) {
  std::vector<Text> lines;
  curl_slist* list = nullptr;
  if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &list) != CURLE_OK) return lines;
  for (curl_slist* item = list; item; item = item->next) lines.emplace_back(item->data);
  curl_slist_free_all(list);
  return lines;
}

// A mode that names no known charset detects one.
CharsetHint AsCharsetHint(int fetchMode) {
  bool known = fetchMode >= int(CharsetHint::kDetect) && fetchMode <= int(CharsetHint::kBig5Hkscs);
  return known ? CharsetHint(fetchMode) : CharsetHint::kDetect;
}

}  // namespace

struct WebRequest::FetchArguments {
  std::string_view address, bodyText, bodyBytes, referrer, contentType, agent, extraHeaders;
  std::optional<std::string_view> proxy;
  bool synchronous = false;
  bool keepCookies = false;
  Text* cookie = nullptr;
  bool setTimeouts = true;
  RequestTimeouts timeouts = {};
  double waitSeconds = kFetchWaitSeconds;
};

WebRequest::WebRequest() {
  Recreate();
}
WebRequest::~WebRequest() = default;
WebRequest::WebRequest(WebRequest&&) noexcept = default;
WebRequest& WebRequest::operator=(WebRequest&&) noexcept = default;

void WebRequest::Recreate() {
  transfer_ = std::make_unique<CurlTransfer>();
  transfer_->SetExternalAbort(externalAbort_);
  // An empty cookie file switches on the handle's own cookie store.
  if (transfer_->Valid()) curl_easy_setopt(transfer_->Easy(), CURLOPT_COOKIEFILE, "");
  settings_ = HandleSettings{};
  request_ = OpenedRequest{};
  handleCookies_.clear();
  handleCookiesLoaded_ = false;
}

void WebRequest::Reset() {
  Recreate();
  ClearCookies();
}

bool WebRequest::Open(std::string_view method, std::string_view address, bool asynchronous) {
  transfer_->Clear();
  transfer_->ClearAbort();
  request_ = OpenedRequest{};
  if (method.empty() || HasLineBreakOrNul(method) || HasLineBreakOrNul(address)) return false;
  if (!transfer_->Valid()) return false;
  Text url = RequestAddress(WithScheme(address));
  curl_easy_setopt(transfer_->Easy(), CURLOPT_URL, url.c_str());
  request_.method = Text(method);
  request_.asynchronous = asynchronous;
  request_.opened = true;
  return true;
}

void WebRequest::SetRequestHeader(std::string_view name, std::string_view value) {
  if (name.empty() || name.find_first_of(std::string_view(":; \t\r\n\0", 7)) != name.npos) return;
  value = CutAtLineBreakOrNul(value);
  auto same = [&](const auto& header) { return EqualsIgnoreCase(header.first, name); };
  auto found = std::find_if(request_.headers.begin(), request_.headers.end(), same);
  if (found != request_.headers.end()) {
    found->second = Text(value);
  } else {
    request_.headers.emplace_back(Text(name), Text(value));
  }
}

void WebRequest::ApplyRequestOptions() {
  CURL* easy = transfer_->Easy();
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, settings_.followRedirects ? 1L : 0L);
  ApplyTimeouts(easy, settings_.timeouts);
  if (settings_.proxySetting == 2) {
    Text bypass = ReplaceAll(settings_.proxyBypass, ";", ",");
    curl_easy_setopt(easy, CURLOPT_PROXY, settings_.proxyServer.c_str());
    curl_easy_setopt(easy, CURLOPT_NOPROXY, OrNull(bypass));
  } else {
    curl_easy_setopt(easy, CURLOPT_PROXY, settings_.proxySetting == 1 ? "" : nullptr);
    curl_easy_setopt(easy, CURLOPT_NOPROXY, nullptr);
  }
  curl_easy_setopt(easy, CURLOPT_USERNAME, OrNull(request_.user));
  curl_easy_setopt(easy, CURLOPT_PASSWORD, OrNull(request_.password));
  curl_easy_setopt(easy, CURLOPT_HTTPAUTH,
                   request_.user.empty() ? long{CURLAUTH_BASIC} : CURLAUTH_ANY);
  curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, OrNull(request_.proxyUser));
  curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, OrNull(request_.proxyPassword));
  curl_easy_setopt(easy, CURLOPT_PROXYAUTH,
                   request_.proxyUser.empty() ? long{CURLAUTH_BASIC} : CURLAUTH_ANY);
  CurlHeaderList& list = transfer_->Headers();
  list.Clear();
  for (const auto& [name, value] : request_.headers) list.Append(name, value);
  list.Suppress("Expect");  // the body goes out at once, without waiting for a 100
  auto isCookie = [](const auto& header) { return EqualsIgnoreCase(header.first, "Cookie"); };
  PrepareHandleCookies(std::any_of(request_.headers.begin(), request_.headers.end(), isCookie));
}

// The handle keeps the cookies it receives and sends them again, except to a request
// with a cookie of its own: that one replaces them, so no request carries two cookie
// headers. Cookies received meanwhile join the kept ones.
void WebRequest::PrepareHandleCookies(bool explicitCookie) {
  CURL* easy = transfer_->Easy();
  std::vector<Text> received = HandleCookieLines(easy);
  if (handleCookiesLoaded_) {
    handleCookies_ = std::move(received);
  } else {
    for (Text& line : received) {
      Text key = CookieKey(line);
      auto same = [&key](const Text& kept) { return CookieKey(kept) == key; };
      auto found = std::find_if(handleCookies_.begin(), handleCookies_.end(), same);
      if (found != handleCookies_.end()) {
        *found = std::move(line);
      } else {
        handleCookies_.push_back(std::move(line));
      }
    }
  }
  curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
  handleCookiesLoaded_ = !explicitCookie;
  if (explicitCookie) return;
  for (const Text& line : handleCookies_) curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
}

void WebRequest::Send(std::string_view bodyText, std::string_view bodyBytes) {
  if (!request_.opened) return;
  CURL* easy = transfer_->Easy();
  std::string_view body = !bodyBytes.empty() ? bodyBytes : bodyText;
  bool head = request_.method == "HEAD";
  bool withBody = !head && (request_.method == "POST" || !body.empty());
  if (head) {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (withBody) {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, body.empty() ? "" : body.data());
  } else {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  }
  bool curlsOwnMethod = head || (withBody ? request_.method == "POST" : request_.method == "GET");
  curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, curlsOwnMethod ? nullptr : request_.method.c_str());
  ApplyRequestOptions();
  request_.opened = false;  // one Send per Open
  if (!transfer_->Start()) return;
  if (!request_.asynchronous) transfer_->Drive(CurlTransfer::Clock::time_point::max(), false);
}

bool WebRequest::WaitForResponse(double seconds) {
  if (!transfer_->Running()) return true;
  auto deadline = CurlTransfer::Clock::time_point::max();
  if (seconds >= 0) {
    auto wait = std::chrono::duration<double>(std::min(seconds, 1e7));
    deadline = CurlTransfer::Clock::now() +
               std::chrono::duration_cast<CurlTransfer::Clock::duration>(wait);
  }
  return transfer_->Drive(deadline, true);
}

void WebRequest::SetExternalAbort(const std::atomic<bool>* flag) {
  externalAbort_ = flag;
  transfer_->SetExternalAbort(flag);
}

void WebRequest::Abort() {
  transfer_->Abort();
}

void WebRequest::SetTimeouts(long resolve, long connect, long send, long receive) {
  auto orResolve = [resolve](long value) { return value > 0 ? value : resolve; };
  settings_.timeouts =
      RequestTimeouts{resolve, orResolve(connect), orResolve(send), orResolve(receive)};
}

void WebRequest::SetProxy(int setting, std::string_view server, std::string_view bypass) {
  settings_.proxySetting = setting;
  settings_.proxyServer = Text(CutAtLineBreakOrNul(server));
  settings_.proxyBypass = Text(CutAtLineBreakOrNul(bypass));
}

void WebRequest::SetCredentials(std::string_view user, std::string_view password, int target) {
  Text& userSlot = target == 1 ? request_.proxyUser : request_.user;
  Text& passwordSlot = target == 1 ? request_.proxyPassword : request_.password;
  userSlot = Text(CutAtLineBreakOrNul(user));
  passwordSlot = Text(CutAtLineBreakOrNul(password));
}

OptionValue WebRequest::Option(int index, OptionValue value) {
  if (index != kOptionEnableRedirects) return {};
  if (const long* number = std::get_if<long>(&value)) settings_.followRedirects = *number != 0;
  if (const bool* flag = std::get_if<bool>(&value)) settings_.followRedirects = *flag;
  return settings_.followRedirects;
}

long WebRequest::Status() const {
  std::string_view line = transfer_->Response().statusLine;
  size_t blank = line.find(' ');
  if (blank == line.npos) return 0;
  long status = 0;
  for (size_t i = blank + 1; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    status = status * 10 + (line[i] - '0');
    if (status > 999) return 0;
  }
  return status;
}

Text WebRequest::StatusText() const {
  std::string_view line = transfer_->Response().statusLine;
  size_t first = line.find(' ');
  size_t second = first == line.npos ? line.npos : line.find(' ', first + 1);
  return second == line.npos ? Text() : Text(line.substr(second + 1));
}

const ByteSet& WebRequest::ResponseBody() const {
  return transfer_->Response().body;
}

Text WebRequest::ResponseText() const {
  Text charset = ContentTypeCharset(GetResponseHeader("Content-Type"));
  Text text;
  if (!charset.empty() && ConvertToGbk(ResponseBody(), charset.c_str(), text)) return text;
  return DecodeBody(ResponseBody());
}

Text WebRequest::GetResponseHeader(std::string_view name) const {
  for (const Text& line : SplitText(transfer_->Response().headers, "\r\n")) {
    size_t colon = line.find(':');
    if (colon == line.npos || !EqualsIgnoreCase(TrimBlanks(line.substr(0, colon)), name)) continue;
    return Text(TrimBlanks(std::string_view(line).substr(colon + 1)));
  }
  return {};
}

Text WebRequest::GetAllResponseHeaders() const {
  return transfer_->Response().headers;
}

Text WebRequest::SetCookieLines() const {
  Text lines;
  for (const Text& line : SplitText(GetAllResponseHeaders(), "\r\n")) {
    if (line.compare(0, 11, "Set-Cookie:") == 0) lines.append(line).append("\r\n");
  }
  return lines;
}

Text WebRequest::ResponseCookieHeader() const {
  return ReplaceAll(ReplaceAll(SetCookieLines(), "Set-Cookie: ", ""), "\r\n", "; ");
}

// The value ends at its ";" or at the end of its line, so it never runs on into the
// next header.
Text WebRequest::ResponseCookie(std::string_view name) const {
  Text headers = GetAllResponseHeaders();
  Text prefix = "Set-Cookie: " + Text(name) + "=";
  long at = FindText(headers, prefix);
  if (at < 0) {
    prefix = "Set-Cookie:" + Text(name) + "=";
    at = FindText(headers, prefix);
  }
  if (at < 0) return {};
  size_t start = size_t(at) - 1 + prefix.size();
  size_t end = headers.find_first_of(";\r\n", start);
  if (end == headers.npos) return {};
  return headers.substr(start, end - start);
}

// Steps in order: method by body, open, Referer, Content-Type (also for GET),
// User-Agent, extra header lines, cookie, time-outs, proxy, send, bounded wait,
// keep-cookies.
void WebRequest::SendComposite(const FetchArguments& a) {
  Text address(TrimBlanks(a.address));
  bool post = !a.bodyText.empty() || !a.bodyBytes.empty();
  Open(post ? "POST" : "GET", address, !a.synchronous);
  SetRequestHeader("Referer", a.referrer.empty() ? std::string_view(address) : a.referrer);
  SetRequestHeader("Content-Type", a.contentType.empty() ? kFormContentType : a.contentType);
  SetRequestHeader("User-Agent", a.agent.empty() ? kDefaultAgent : a.agent);
  for (const Text& line : SplitText(a.extraHeaders, "\r\n")) {
    std::vector<Text> parts = SplitText(line, ": ");
    if (parts.size() >= 2 && !parts[0].empty() && !parts[1].empty()) {
      SetRequestHeader(parts[0], parts[1]);
    }
  }
  Text localCookie;
  Text& cookie = a.cookie ? *a.cookie : localCookie;
  if (cookie.empty() && !storedCookies_.empty()) cookie = storedCookies_;
  if (cookie == "-1") {
    SetRequestHeader("Cookie", "");
  } else if (!cookie.empty()) {
    SetRequestHeader("Cookie", cookie);
  }
  if (a.setTimeouts) {
    const RequestTimeouts& t = a.timeouts;
    SetTimeouts(t.resolve, t.connect, t.send, t.receive);
  }
  if (a.proxy && *a.proxy != "-1") {
    // The desktop's proxy is what curl reads from the environment.
    bool desktop = *a.proxy == "IE" || a.proxy->empty();
    SetProxy(desktop ? 0 : 2, desktop ? std::string_view() : *a.proxy);
  }
  Send(a.bodyText, a.bodyBytes);
  // A request still running after the wait is stopped, so its connection does not
  // linger; what arrived stays readable.
  if (!a.synchronous && !WaitForResponse(a.waitSeconds)) transfer_->Cancel();
  if (a.keepCookies) storedCookies_ = ResponseCookieHeader();
}

Text WebRequest::Fetch(std::string_view address, std::string_view bodyText, int fetchMode,
                       double timeoutSeconds, std::optional<std::string_view> proxy,
                       bool synchronous, std::string_view bodyBytes, std::string_view referrer,
                       Text* cookie, bool keepCookies, std::string_view contentType,
                       std::string_view agent, std::string_view extraHeaders) {
  FetchArguments a{.address = address,
                   .bodyText = bodyText,
                   .bodyBytes = bodyBytes,
                   .referrer = referrer,
                   .contentType = contentType,
                   .agent = agent,
                   .extraHeaders = extraHeaders,
                   .proxy = proxy,
                   .synchronous = synchronous,
                   .keepCookies = keepCookies,
                   .cookie = cookie};
  a.setTimeouts = timeoutSeconds != -1;
  if (timeoutSeconds >= 1) {
    long ms = long(std::min(timeoutSeconds, 1e7) * 1000);
    a.timeouts = RequestTimeouts{ms, ms, ms, ms};
    a.waitSeconds = timeoutSeconds;
  } else {
    a.timeouts = kFetchTimeouts;
  }
  SendComposite(a);
  if (fetchMode == -2) return ResponseText();
  if (fetchMode == -1) return ResponseBody();
  return DecodeBody(ResponseBody(), AsCharsetHint(fetchMode));
}

ByteSet WebRequest::FetchBytes(std::string_view address, std::string_view bodyText,
                               int timeoutSeconds, std::optional<std::string_view> proxy,
                               bool synchronous, std::string_view bodyBytes,
                               std::string_view referrer, Text* cookie, bool keepCookies,
                               std::string_view contentType, std::string_view agent,
                               std::string_view extraHeaders) {
  // Fetch's raw mode; its time-outs are clamped where they meet curl either way.
  return Fetch(address, bodyText, -1, timeoutSeconds, proxy, synchronous, bodyBytes, referrer,
               cookie, keepCookies, contentType, agent, extraHeaders);
}

// Redirects are switched off only for this request: the object follows them again
// afterwards, so a later Fetch on it still reaches the final page.
Text WebRequest::ExpectRedirect(std::string_view address, bool synchronous, RedirectHeaders headers,
                                std::string_view referrer, long* status) {
  bool follow = settings_.followRedirects;
  settings_.followRedirects = false;
  const RequestTimeouts& t = kRedirectTimeouts;
  SetTimeouts(t.resolve, t.connect, t.send, t.receive);
  Text trimmed(TrimBlanks(address));
  Open("GET", headers == RedirectHeaders::kLegacy ? address : trimmed, !synchronous);
  if (headers != RedirectHeaders::kNone) {
    bool legacy = headers == RedirectHeaders::kLegacy;
    SetRequestHeader("User-Agent", legacy ? kOldAgent : kDefaultAgent);
    SetRequestHeader("Accept-Language", kAcceptLanguage);
    SetRequestHeader("Connection", kKeepAlive);
    SetRequestHeader("Accept", kOldAccept);
    if (!legacy) {
      SetRequestHeader("Referer", referrer.empty() ? std::string_view(trimmed) : referrer);
    }
  }
  Send();
  if (!synchronous && !WaitForResponse(kRedirectWaitSeconds)) transfer_->Cancel();
  settings_.followRedirects = follow;
  if (status) *status = Status();
  return GetResponseHeader("Location");
}

Text WebRequest::RedirectTarget(std::string_view address, bool synchronous,
                                std::string_view referrer) {
  return ExpectRedirect(address, synchronous, RedirectHeaders::kCurrent, referrer, nullptr);
}

long WebRequest::ProbeStatus(std::string_view address, bool synchronous) {
  long status = 0;
  ExpectRedirect(address, synchronous, RedirectHeaders::kNone, {}, &status);
  return status;
}

Text WebRequest::LegacyRedirectTarget(std::string_view address) {
  return ExpectRedirect(address, true, RedirectHeaders::kLegacy, {}, nullptr);
}

}  // namespace plexaro
