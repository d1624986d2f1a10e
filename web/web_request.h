// WebRequest: the HTTP client for plain pages and every search-engine poll, on one
// libcurl easy handle per object, with the members of a scriptable HTTP request object
// (open, headers, send, bounded wait, response) and the composite Fetch.
//
// No member reports an error: a request that fails or times out leaves an empty or
// partial response (status 0). Received cookies are kept by the handle itself and sent
// again until Reset/Recreate. An object belongs to one thread; only Abort() may be
// called from another thread, while the owner is inside Send, WaitForResponse or Fetch.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "web/text.h"

namespace plexaro {

class CurlTransfer;

// The agent Fetch, FetchBytes and RedirectTarget send unless told otherwise.
inline constexpr std::string_view kDefaultAgent =
    "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";
inline constexpr std::string_view kFormContentType = "application/x-www-form-urlencoded";

// Milliseconds for name resolution, connecting, sending and receiving.
struct RequestTimeouts {
  long resolve = 0;
  long connect = 60000;
  long send = 30000;
  long receive = 30000;
  bool operator==(const RequestTimeouts&) const = default;
};

// A value of Option(): none, a number, a boolean or a text.
using OptionValue = std::variant<std::monostate, long, bool, Text>;

class WebRequest {
 public:
  // Option index that switches the following of redirects (on at creation).
  static constexpr int kOptionEnableRedirects = 6;

  WebRequest();
  ~WebRequest();
  WebRequest(const WebRequest&) = delete;
  WebRequest& operator=(const WebRequest&) = delete;
  WebRequest(WebRequest&&) noexcept;
  WebRequest& operator=(WebRequest&&) noexcept;

  // A fresh handle with the defaults of a new object (timeouts, proxy, redirects); the
  // handle's own cookies and open connections are dropped, StoredCookies stays.
  void Recreate();
  // Recreate, then ClearCookies.
  void Reset();

  // Prepares a request; an address without "http://" or "https://" gets "http://".
  // False (and Send then does nothing) when the method or address holds CR, LF or NUL.
  bool Open(std::string_view method, std::string_view address, bool asynchronous = false);
  // Sets (or replaces) a header of the opened request. The value is cut at its first
  // CR, LF or NUL; a name that is empty or holds ':', blanks or line breaks is ignored.
  void SetRequestHeader(std::string_view name, std::string_view value);
  // Sends the body bytes when there are any, else the body text. Synchronous requests
  // return when the response is complete or failed, asynchronous ones at once.
  void Send(std::string_view bodyText = {}, std::string_view bodyBytes = {});
  // Waits, pumping events, until the response is complete (true) or `seconds` have
  // passed (false; a negative time waits without limit).
  bool WaitForResponse(double seconds);
  // Ends the running request; safe from another thread (see above).
  void Abort();
  // A flag owned by the caller (it must outlive this object, or be reset to null):
  // while it is true every request ends at once like Abort(). Kept across Reset.
  void SetExternalAbort(const std::atomic<bool>* flag);

  void SetTimeouts(long resolve, long connect, long send, long receive);
  RequestTimeouts Timeouts() const { return settings_.timeouts; }
  // Setting 0 leaves the proxy to curl's defaults (the http_proxy, https_proxy,
  // all_proxy and no_proxy environment variables), 1 connects directly, 2 uses
  // `server` except for the hosts in `bypass` (separated by ";" or ",").
  void SetProxy(int setting = 2, std::string_view server = {}, std::string_view bypass = {});
  // Target 0: the server, 1: the proxy. Applies to the opened request only.
  void SetCredentials(std::string_view user, std::string_view password, int target = 0);
  // Recorded only: this client never logs on with the desktop user's own credentials.
  void SetAutoLogonPolicy(int policy) { autoLogonPolicy_ = policy; }
  // Sets the option when a value is given, then returns its value. Only
  // kOptionEnableRedirects has a meaning; other indexes give no value.
  OptionValue Option(int index, OptionValue value = {});

  long Status() const;  // 0 while nothing has arrived
  Text StatusText() const;
  const ByteSet& ResponseBody() const;
  // The body as a read-only stream of bytes, valid until the next Send or Open.
  std::string_view ResponseStream() const { return ResponseBody(); }
  // The body in the charset of the "Content-Type" header, else as DecodeBody detects it.
  Text ResponseText() const;
  // The value of the first header of that name (letter case ignored); empty when none.
  Text GetResponseHeader(std::string_view name) const;
  // The header lines of the last response, each ending in CR LF.
  Text GetAllResponseHeaders() const;

  Text SetCookieLines() const;
  Text ResponseCookieHeader() const;
  Text ResponseCookie(std::string_view name) const;

  // The composite request (see web_request.cpp for each step). `cookie` is in/out;
  // "-1" sends an empty "Cookie" header. `proxy`: "-1" leaves the proxy alone, "IE"
  // means the desktop's proxy (curl's environment defaults). Returns the body decoded
  // to GBK (mode 0 detects), raw (-1) or as ResponseText (-2); empty text on failure.
  Text Fetch(std::string_view address, std::string_view bodyText = {}, int fetchMode = 0,
             double timeoutSeconds = 0, std::optional<std::string_view> proxy = std::nullopt,
             bool synchronous = false, std::string_view bodyBytes = {},
             std::string_view referrer = {}, Text* cookie = nullptr, bool keepCookies = false,
             std::string_view contentType = {}, std::string_view agent = {},
             std::string_view extraHeaders = {});
  // As Fetch with an integer time-out; returns the raw body.
  ByteSet FetchBytes(std::string_view address, std::string_view bodyText = {},
                     int timeoutSeconds = 0, std::optional<std::string_view> proxy = std::nullopt,
                     bool synchronous = false, std::string_view bodyBytes = {},
                     std::string_view referrer = {}, Text* cookie = nullptr,
                     bool keepCookies = false, std::string_view contentType = {},
                     std::string_view agent = {}, std::string_view extraHeaders = {});

  // "Location" of a GET sent without following redirects (redirects are followed again
  // afterwards); empty when there is none or the request fails.
  Text RedirectTarget(std::string_view address, bool synchronous = false,
                      std::string_view referrer = {});
  Text LegacyRedirectTarget(std::string_view address);
  // Status of a GET sent without following redirects; 0 when the request fails.
  long ProbeStatus(std::string_view address, bool synchronous = false);

  const Text& StoredCookies() const { return storedCookies_; }
  void SetStoredCookies(Text cookies) { storedCookies_ = std::move(cookies); }
  void ClearCookies() { storedCookies_.clear(); }

 private:
  struct FetchArguments;
  void SendComposite(const FetchArguments& arguments);
  void ApplyRequestOptions();
  void PrepareHandleCookies(bool explicitCookie);
  enum class RedirectHeaders { kNone, kCurrent, kLegacy };
  Text ExpectRedirect(std::string_view address, bool synchronous, RedirectHeaders headers,
                      std::string_view referrer, long* status);

  // What a new handle starts with, kept from request to request.
  struct HandleSettings {
    RequestTimeouts timeouts;
    bool followRedirects = true;
    int proxySetting = 0;
    Text proxyServer, proxyBypass;
  };
  // What Open starts afresh.
  struct OpenedRequest {
    bool opened = false;
    bool asynchronous = false;
    Text method;
    std::vector<std::pair<Text, Text>> headers;
    Text user, password, proxyUser, proxyPassword;
  };

  std::unique_ptr<CurlTransfer> transfer_;
  const std::atomic<bool>* externalAbort_ = nullptr;
  Text storedCookies_;
  HandleSettings settings_;
  OpenedRequest request_;
  int autoLogonPolicy_ = 1;
  // The handle's own cookies between requests (curl's cookie-file lines), and whether
  // the last request started with them loaded.
  std::vector<Text> handleCookies_;
  bool handleCookiesLoaded_ = false;
};

}  // namespace plexaro
