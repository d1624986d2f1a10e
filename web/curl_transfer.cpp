#include "web/curl_transfer.h"

#include <algorithm>
#include <mutex>

#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

// Polls are short so that an abort flag set by another thread, or a caller's deadline,
// is noticed within this time even while the peer stays silent.
constexpr int kPollMilliseconds = 50;

std::mutex trustMutex;
std::string trustedCaFile;

std::string TrustedCaFile() {
  std::lock_guard lock(trustMutex);
  return trustedCaFile;
}

bool StartsWithStatusLine(std::string_view line) {
  return line.size() >= 5 && line.substr(0, 5) == "HTTP/";
}

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

void ApplyCommonOptions(CURL* easy) {
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long{CURL_HTTP_VERSION_1_1});
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  std::string caFile = TrustedCaFile();
  if (!caFile.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.c_str());
}

}  // namespace

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string_view CutAtLineBreakOrNul(std::string_view text) {
  return text.substr(0, std::min(text.size(), text.find_first_of(std::string_view("\r\n\0", 3))));
}

namespace {

void AppendEscaped(std::string_view bytes, Text& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F) {
      out += c;
    } else {
      out.append({'%', kHex[byte >> 4], kHex[byte & 15]});
    }
  }
}

}  // namespace

Text RequestAddress(std::string_view address) {
  size_t scheme = address.find("://");
  size_t pathStart = address.find('/', scheme == address.npos ? 0 : scheme + 3);
  if (pathStart == address.npos) return Text(address);
  size_t queryStart = std::min(address.find('?', pathStart), address.size());
  Text out(address.substr(0, pathStart));
  AppendEscaped(GbkToUtf8(address.substr(pathStart, queryStart - pathStart)), out);
  AppendEscaped(address.substr(queryStart), out);
  return out;
}

void SetTrustedCaFileForTesting(std::string path) {
  std::lock_guard lock(trustMutex);
  trustedCaFile = std::move(path);
}

CurlTransfer::CurlTransfer() {
  InitCurlOnce();
  easy_ = curl_easy_init();
  multi_ = curl_multi_init();
  if (!Valid()) return;
  ApplyCommonOptions(easy_);
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlTransfer::OnBody);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlTransfer::OnHeader);
  curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::OnProgress);
  curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
}

CurlTransfer::~CurlTransfer() {
  Cancel();
  if (easy_) curl_easy_cleanup(easy_);
  if (multi_) curl_multi_cleanup(multi_);
}

bool CurlTransfer::AbortRequested() const {
  return aborted_.load() || (externalAbort_ && externalAbort_->load());
}

bool CurlTransfer::Start() {
  Cancel();
  response_ = CurlResponse{};
  result_ = CURLE_OK;
  if (Valid()) curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_.Get());
  if (!Valid() || curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
    result_ = CURLE_FAILED_INIT;
    return false;
  }
  running_ = true;
  return true;
}

void CurlTransfer::CollectFinished() {
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
    if (message->msg != CURLMSG_DONE || message->easy_handle != easy_) continue;
    result_ = message->data.result;
    curl_multi_remove_handle(multi_, easy_);
    running_ = false;
  }
}

bool CurlTransfer::Drive(Clock::time_point deadline, bool pump) {
  while (running_) {
    if (AbortRequested()) {
      Cancel();
      return true;
    }
    int active = 0;
    curl_multi_perform(multi_, &active);
    CollectFinished();
    if (!running_) break;
    auto now = Clock::now();
    if (now >= deadline) return false;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    int wait = int(std::min<long long>(kPollMilliseconds, std::max<long long>(1, left)));
    curl_multi_poll(multi_, nullptr, 0, wait, nullptr);
    if (pump) PumpEvents();
  }
  return true;
}

void CurlTransfer::Cancel() {
  if (!running_) return;
  curl_multi_remove_handle(multi_, easy_);
  running_ = false;
  result_ = CURLE_ABORTED_BY_CALLBACK;
}

void CurlTransfer::Clear() {
  Cancel();
  response_ = CurlResponse{};
  result_ = CURLE_OK;
}

size_t CurlTransfer::OnBody(char* data, size_t size, size_t count, void* self) {
  auto* transfer = static_cast<CurlTransfer*>(self);
  size_t bytes = size * count;
  if (transfer->AbortRequested()) return 0;
  ByteSet& body = transfer->response_.body;
  size_t room = kMaxBodyBytes - body.size();
  body.append(data, std::min(bytes, room));
  if (bytes <= room) return bytes;
  transfer->response_.bodyCut = true;
  return 0;  // ends the transfer: the rest would only be thrown away
}

size_t CurlTransfer::OnHeader(char* data, size_t size, size_t count, void* self) {
  auto* transfer = static_cast<CurlTransfer*>(self);
  size_t bytes = size * count;
  std::string_view line = WithoutLineEnd(std::string_view(data, bytes));
  CurlResponse& response = transfer->response_;
  if (StartsWithStatusLine(line)) {
    // A new response (after a redirect or an interim 1xx) replaces the one before.
    response = CurlResponse{};
    response.statusLine = CutAtLineBreakOrNul(line);
  } else if (!line.empty() && response.headers.size() + line.size() + 2 <= kMaxHeaderBytes) {
    response.headers.append(line).append("\r\n");
  }
  return bytes;
}

int CurlTransfer::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<CurlTransfer*>(self)->AbortRequested() ? 1 : 0;
}

bool CurlHeaderList::Append(std::string_view name, std::string_view value) {
  if (name.empty() || name.find_first_of(std::string_view(":; \t\r\n\0", 7)) != name.npos ||
      HasLineBreakOrNul(value)) {
    return false;
  }
  std::string line(name);
  if (value.empty()) {
    line += ';';  // curl's spelling of a header sent with an empty value
  } else {
    line.append(": ").append(value);
  }
  curl_slist* grown = curl_slist_append(list_, line.c_str());
  if (!grown) return false;
  list_ = grown;
  return true;
}

void CurlHeaderList::Suppress(std::string_view name) {
  std::string line(name);
  line += ':';
  if (curl_slist* grown = curl_slist_append(list_, line.c_str())) list_ = grown;
}

void CurlHeaderList::Clear() {
  curl_slist_free_all(list_);
  list_ = nullptr;
}

}  // namespace plexaro
