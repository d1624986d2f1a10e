// The HTTP side of a worker: one client per worker thread.
#pragma once

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

// Makes a worker's client. `shouldAbort` is polled during a transfer: when it turns
// true the request is abandoned (monitoring is stopping).
using SearchClientFactory =
    std::function<std::unique_ptr<SearchClient>(std::function<bool()> shouldAbort)>;

}  // namespace plexaro
