#include "core/web_search_client.h"

#include "web/web_request.h"

namespace plexaro {
namespace {

class WebSearchClient final : public SearchClient {
 public:
  explicit WebSearchClient(const std::atomic<bool>* abortFlag) {
    request_.SetExternalAbort(abortFlag);
  }
  void Reset() override { request_.Reset(); }
  Text Fetch(const Text& address, const Text& cookie) override {
    Text cookieText = cookie;
    return request_.Fetch(address, {}, 0, 0, std::nullopt, false, {}, {}, &cookieText);
  }

 private:
  WebRequest request_;
};

}  // namespace

SearchClientFactory WebSearchClientFactory() {
  return [](const std::atomic<bool>* abortFlag) -> std::unique_ptr<SearchClient> {
    return std::make_unique<WebSearchClient>(abortFlag);
  };
}

}  // namespace plexaro
