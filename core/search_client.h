// The HTTP side of a worker: one client per worker thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "web/text.h"

namespace plexaro {

class SearchClient {
 public:
  virtual ~SearchClient() = default;
  // Forgets the previous connection and its cookies.
  virtual void Reset() = 0;
  // The page at `address` as GBK text, sending `cookie` as the Cookie header; empty
  // text on any failure.
  virtual Text Fetch(const Text& address, const Text& cookie) = 0;
};

// Makes a worker's client. `abortFlag` (may be null) is watched during a transfer: when
// it turns true the request is abandoned, because monitoring is stopping.
using SearchClientFactory =
    std::function<std::unique_ptr<SearchClient>(const std::atomic<bool>* abortFlag)>;

}  // namespace plexaro
