#include "web/timed_fetch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <system_error>
#include <thread>

#include "web/event_pump.h"
#include "web/gbk.h"
#include "web/page_fetch.h"

namespace plexaro {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultTimeoutSeconds = 60;
// Far beyond any useful wait, and small enough that the deadline cannot overflow.
constexpr long long kMaxTimeoutSeconds = 10'000'000;
// How long the waiting thread sleeps between two pumps of its events.
constexpr auto kPumpStep = std::chrono::milliseconds(10);

Clock::duration TimeoutOf(int seconds) {
  long long wanted = seconds > 0 ? seconds : kDefaultTimeoutSeconds;
  return std::chrono::seconds(std::min(wanted, kMaxTimeoutSeconds));
}

// The fetch thread and what it shares with the waiting one. The thread only ever ends on
// its own: giving up sets the abort flag, which curl notices within a fraction of a
// second, and the destructor joins.
class FetchThread {
 public:
  explicit FetchThread(FetchRecord record)
      : record_(std::move(record)),
        doneFuture_(done_.get_future()),
        thread_([this] { done_.set_value(WinInetFetch(record_, &abort_)); }) {}
  ~FetchThread() {
    abort_.store(true);
    if (thread_.joinable()) thread_.join();
  }
  FetchThread(const FetchThread&) = delete;
  FetchThread& operator=(const FetchThread&) = delete;

  // Waits until the fetch has ended (its result), the deadline has passed (nullopt) or
  // the caller gave up (false).
  std::optional<bool> WaitUntil(Clock::time_point deadline, const std::atomic<bool>* abortFlag) {
    for (;;) {
      auto now = Clock::now();
      if (now >= deadline) return std::nullopt;
      if (abortFlag && abortFlag->load()) return false;
      auto status = doneFuture_.wait_for(std::min<Clock::duration>(kPumpStep, deadline - now));
      PumpEvents();
      if (status == std::future_status::ready) return doneFuture_.get();
    }
  }
  FetchRecord& Record() { return record_; }

 private:
  FetchRecord record_;
  std::atomic<bool> abort_{false};
  std::promise<bool> done_;
  std::future<bool> doneFuture_;
  std::thread thread_;
};

void SetIfWanted(Text* out, Text value) {
  if (out) *out = std::move(value);
}

}  // namespace

const Text& FetchTimeoutMessage() {
  return gbk(
      "超时返回，指定网站不能访问，或者你的网络出现问题，你可以把参数中的＂超时返回＂的值设置长一"
      "些。");
}

ByteSet FetchWithTimeout(std::string_view address, int method, std::string_view proxy,
                         std::string_view headers, std::string_view body, std::string_view cookie,
                         int timeoutSeconds, Text* rawHeaders, Text* cookies,
                         bool forbidRedirects, const std::atomic<bool>* abortFlag) {
  SetIfWanted(rawHeaders, {});
  SetIfWanted(cookies, {});
  if (TrimBlanks(address).empty()) return {};
  FetchRecord record;
  record.address = Text(address);
  // "HTTPS://" is a secure address too, not a host to put "http://" in front of.
  if (!StartsWithIgnoreCase(address, "http://") && !StartsWithIgnoreCase(address, "https://")) {
    record.address.insert(0, "http://");
  }
  record.method = method == 1 ? "POST" : "GET";
  record.proxy = Text(proxy);
  record.headers = Text(headers);
  record.body = ByteSet(body);
  record.cookie = Text(cookie);
  record.forbidRedirects = forbidRedirects;

  const Clock::time_point deadline = Clock::now() + TimeoutOf(timeoutSeconds);
  std::optional<FetchThread> fetch;
  try {
    fetch.emplace(std::move(record));
  } catch (const std::system_error&) {
    return {};  // no thread to run it on
  }
  std::optional<bool> completed = fetch->WaitUntil(deadline, abortFlag);
  if (!completed) return FetchTimeoutMessage();
  if (!*completed) return {};
  SetIfWanted(rawHeaders, std::move(fetch->Record().rawHeaders));
  SetIfWanted(cookies, std::move(fetch->Record().collectedCookies));
  return std::move(fetch->Record().responseBody);
}

}  // namespace plexaro
