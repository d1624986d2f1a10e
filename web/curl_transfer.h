// One HTTP transfer on libcurl: an easy handle driven through its own multi handle, so
// a wait can be bounded, interleaved with event pumping and aborted from any thread.
//
// Shared by the request object and the page fetch. Every transfer keeps certificate
// verification on, speaks HTTP/1.1, allows only http and https (redirects included),
// follows at most kMaxRedirects redirects and keeps at most kMaxBodyBytes of a body.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "web/text.h"

namespace plexaro {

constexpr size_t kMaxBodyBytes = size_t{32} << 20;
constexpr size_t kMaxHeaderBytes = size_t{1} << 20;
constexpr long kMaxRedirects = 10;

// curl_global_init, once per process; safe to call from any thread at any time.
void InitCurlOnce();

// True when the bytes hold CR, LF or NUL, which must never reach a request line or a
// header line.
bool HasLineBreakOrNul(std::string_view text);
// The part before the first CR, LF or NUL.
std::string_view CutAtLineBreakOrNul(std::string_view text);

// The address in the form curl accepts, as a browser sends it: blanks and bytes of
// 0x80 and above are percent-encoded, in the path as UTF-8 and in the query as the GBK
// bytes they are. Scheme and host stay as they are.
Text RequestAddress(std::string_view address);

// Test-only seam: a PEM file of extra certificate authorities that every later transfer
// trusts instead of the system store. An empty path restores the system store.
void SetTrustedCaFileForTesting(std::string path);

// What arrived of the last response (the last one of a redirect chain).
struct CurlResponse {
  ByteSet body;     // cut at kMaxBodyBytes (bodyCut is then set)
  Text statusLine;  // "HTTP/1.1 200 OK", without CR LF
  Text headers;     // the header lines after the status line, each ending in CR LF
  bool bodyCut = false;
};

// A curl header list, freed with its owner.
class CurlHeaderList {
 public:
  CurlHeaderList() = default;
  ~CurlHeaderList() { curl_slist_free_all(list_); }
  CurlHeaderList(const CurlHeaderList&) = delete;
  CurlHeaderList& operator=(const CurlHeaderList&) = delete;

  // Appends the header "name: value", an empty value included; false (nothing added)
  // when the name is empty or holds ':', blanks, CR, LF or NUL, or the value holds CR,
  // LF or NUL.
  bool Append(std::string_view name, std::string_view value);
  // Keeps curl from sending its own header of that name (such as "Expect").
  void Suppress(std::string_view name);
  void Clear();
  curl_slist* Get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

// Owns the handles of one transfer. The owner thread prepares Easy() with curl options,
// Start()s and Drive()s; Abort() alone may be called from any thread.
class CurlTransfer {
 public:
  using Clock = std::chrono::steady_clock;

  CurlTransfer();  // Valid() is false when curl could not make the handles
  ~CurlTransfer();
  CurlTransfer(const CurlTransfer&) = delete;
  CurlTransfer& operator=(const CurlTransfer&) = delete;

  bool Valid() const { return easy_ != nullptr && multi_ != nullptr; }
  CURL* Easy() const { return easy_; }
  // The request's own headers, sent by the next Start().
  CurlHeaderList& Headers() { return headers_; }

  // A flag owned by the caller that, once true, ends the transfer like Abort().
  void SetExternalAbort(const std::atomic<bool>* flag) { externalAbort_ = flag; }
  void Abort() { aborted_.store(true); }
  void ClearAbort() { aborted_.store(false); }

  // Drops the previous response and starts the prepared transfer; false when curl
  // refuses it (the response then stays empty).
  bool Start();
  // Runs the started transfer until it ends, completed, failed or aborted (true), or
  // until `deadline` passes with it still running (false); with `pump`, PumpEvents()
  // runs between polls.
  bool Drive(Clock::time_point deadline, bool pump);
  bool Running() const { return running_; }
  // Stops a running transfer; what arrived so far stays readable.
  void Cancel();
  // Stops it and forgets its response.
  void Clear();

  const CurlResponse& Response() const { return response_; }
  // Moves the response out (a body may be large); the transfer's own becomes empty.
  CurlResponse TakeResponse() { return std::exchange(response_, CurlResponse{}); }
  CURLcode Result() const { return result_; }

 private:
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  bool AbortRequested() const;
  void CollectFinished();

  CurlHeaderList headers_;
  CURL* easy_ = nullptr;
  CURLM* multi_ = nullptr;
  bool running_ = false;
  CURLcode result_ = CURLE_OK;
  CurlResponse response_;
  std::atomic<bool> aborted_{false};
  const std::atomic<bool>* externalAbort_ = nullptr;
};

}  // namespace plexaro
