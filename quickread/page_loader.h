// The quick-read page fetch: one page, following at most one meta-refresh or script
// redirect of a page without a title, decoded to GBK and passed through FixLinks.
//
// For the quick-read worker thread (it pumps that thread's events while it waits).
// Creates and releases everything it uses within the call.
#pragma once

#include <atomic>
#include <string_view>

#include "web/charset.h"
#include "web/text.h"

namespace plexaro {

// How long FetchPage pauses after a pass that brought no text.
inline constexpr int kEmptyPagePauseMs = 1000;

// Fetches `address` ("https://" with FetchWithTimeout, anything else with a WebRequest)
// in up to two passes and leaves in `address` the last redirect target it found (even a
// target found on the second page, which is not fetched). A redirect target with a scheme
// other than http or https is not taken. Returns the last page fetched after FixLinks
// against `address`; empty when nothing could be fetched, FetchTimeoutMessage() when an
// "https://" fetch ran out of time. When `abortFlag` (owned by the caller) turns true,
// the fetch in progress is given up and the page comes back empty.
Text FetchPage(Text& address, CharsetHint hint = CharsetHint::kDetect, int timeoutSeconds = 60,
               std::string_view cookie = {}, int emptyPagePauseMs = kEmptyPagePauseMs,
               const std::atomic<bool>* abortFlag = nullptr);

}  // namespace plexaro
