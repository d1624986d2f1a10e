// A page fetch (WinInetFetch) on a thread of its own that the calling thread waits for,
// pumping its events, and gives up on after a time-out.
//
// Any thread may call it; the fetch thread never outlives the call.
#pragma once

#include <atomic>

#include <string_view>

#include "web/text.h"

namespace plexaro {

// The body FetchWithTimeout returns in place of a page it gave up on (GBK).
const Text& FetchTimeoutMessage();

// Fetches `address` ("http://" put in front when it has neither "http://" nor
// "https://", in any letter case); method 1 is a POST of `body`, anything else a GET. Waits at most
// `timeoutSeconds` (60 when 0 or less), pumping the calling thread's events; then the
// request is aborted, its thread joined and FetchTimeoutMessage() returned. Returns the
// raw body, empty for a blank address or when no response arrived. The out texts get the
// raw response headers and the collected cookies (empty unless a response arrived).
// When `abortFlag` (owned by the caller) turns true the request is given up at once and
// the empty body returned.
ByteSet FetchWithTimeout(std::string_view address, int method = 0, std::string_view proxy = {},
                         std::string_view headers = {}, std::string_view body = {},
                         std::string_view cookie = {}, int timeoutSeconds = 60,
                         Text* rawHeaders = nullptr, Text* cookies = nullptr,
                         bool forbidRedirects = false,
                         const std::atomic<bool>* abortFlag = nullptr);

}  // namespace plexaro
