// A fake search engine for tests and offline runs: answers "/web", "/news" and
// "/weixin" on a loopback port with result pages in the real engine's layout, new hits
// on every poll, and, on request, pages without results that hand out an SNUID cookie.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plexaro {

class FakeSearchEngine {
 public:
  struct Options {
    int newHitsPerPoll = 2;  // hits added on top of a query's list at each poll
    int hitsPerPage = 10;    // at most this many hits (the newest) per page
    bool gbkPages = false;   // GBK with a gb2312 declaration instead of UTF-8
  };
  struct Request {
    std::string path;
    std::string query;   // the raw query string
    std::string cookie;  // the Cookie header, empty when none
  };

  FakeSearchEngine();
  explicit FakeSearchEngine(Options options);
  ~FakeSearchEngine();
  FakeSearchEngine(const FakeSearchEngine&) = delete;
  FakeSearchEngine& operator=(const FakeSearchEngine&) = delete;

  // Listens on `host` (port 0: any free port) in a thread of its own; returns the port,
  // or -1 when it cannot listen.
  int Start(const std::string& host = "127.0.0.1", int port = 0);
  void Stop();

  // The next `count` requests get a page without results that sets SNUID to `snuid`.
  void BlockNext(int count, const std::string& snuid);
  // The next requests get these bodies as they are, one each (garbage, huge pages...).
  void ServeNext(std::vector<std::string> bodies);
  std::vector<Request> Requests() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace plexaro
