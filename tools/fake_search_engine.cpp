#include "tools/fake_search_engine.h"

#include <httplib.h>

#include <atomic>
#include <deque>
#include <map>
#include <thread>

#include "web/gbk.h"

namespace plexaro {
namespace {

// Stable per-query site names keep addresses distinct across queries.
std::string QueryTag(const std::string& query) {
  return std::to_string(std::hash<std::string>{}(query) % 1000000);
}

std::string EscapeHtml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string WebBlock(const std::string& query, int number, bool alternate) {
  std::string tag = QueryTag(query);
  return std::string("<div class=\"") + (alternate ? "rb" : "vrwrap") + "\">\n" +
         "  <h3 class=\"vrTitle\"><a target=\"_blank\" href=\"http://site" + tag +
         ".example.test/item/" + std::to_string(number) + ".html\">" + EscapeHtml(query) +
         " <em>news</em> No." + std::to_string(number) + "</a></h3>\n" +
         "  <p class=\"str_info\">Some text about " + EscapeHtml(query) + ".</p>\n" +
         "  <cite>site" + tag + ".example.test 2026-12-11</cite>\n</div>\n";
}

std::string WeChatBlock(const std::string& query, int number) {
  std::string tag = QueryTag(query);
  long stamp = 1417016545L + number * 60L;
  return "<div class=\"wx-rb wx-rb3\">\n  <div class=\"txt-box\"><h4><a target=\"_blank\" "
         "href=\"http://mp.example.test/s?id=" +
         tag + "-" + std::to_string(number) + "\">" + EscapeHtml(query) + " article " +
         std::to_string(number) + "</a></h4>\n" +
         "  <div class=\"s-p\"><span>account</span><script>vrTimeHandle552write('" +
         std::to_string(stamp) + "')</script></div></div>\n</div>\n";
}

std::string Page(const std::string& body, bool gbkPage) {
  std::string charset = gbkPage ? "gb2312" : "utf-8";
  std::string page =
      "<!DOCTYPE html>\n<html><head><meta http-equiv=\"Content-Type\" "
      "content=\"text/html; charset=" +
      charset +
      "\"><title>search</title>"
      "</head>\n<body>\n" +
      body + "</body></html>\n";
  if (!gbkPage) return page;
  return Utf8ToGbk(page);
}

}  // namespace

struct FakeSearchEngine::State {
  Options options;
  httplib::Server server;
  std::thread thread;
  mutable std::mutex mutex;
  std::vector<Request> requests;
  std::map<std::string, int> hitsSoFar;  // per path + query
  int blocked = 0;
  std::string snuid;
  std::deque<std::string> rawBodies;

  void Handle(const httplib::Request& request, httplib::Response& response);
  std::string ResultsPage(const std::string& path, const std::string& query, int page);
};

void FakeSearchEngine::State::Handle(const httplib::Request& request, httplib::Response& response) {
  std::string query = request.has_param("query") ? request.get_param_value("query") : "";
  int page = request.has_param("page") ? std::atoi(request.get_param_value("page").c_str()) : 1;
  std::string body;
  {
    std::lock_guard<std::mutex> lock(mutex);
    std::string raw =
        request.target.substr(std::min(request.target.size(), request.path.size() + 1));
    requests.push_back(Request{request.path, raw, request.get_header_value("Cookie")});
    if (!rawBodies.empty()) {
      response.set_content(rawBodies.front(), "text/html");
      rawBodies.pop_front();
      return;
    }
    if (blocked > 0) {
      --blocked;
      response.set_header("Set-Cookie", "SNUID=" + snuid + "; path=/");
      body = "<div class=\"antispider\">verify</div><script>document.cookie=\"SNUID=" + snuid +
             "; path=/\";</script>\n";
    } else {
      body = ResultsPage(request.path, query, page);
    }
  }
  std::string charset = options.gbkPages ? "gb2312" : "utf-8";
  response.set_content(Page(body, options.gbkPages), "text/html; charset=" + charset);
}

std::string FakeSearchEngine::State::ResultsPage(const std::string& path, const std::string& query,
                                                 int page) {
  int& total = hitsSoFar[path + "?" + query];
  if (page <= 1) total += options.newHitsPerPoll;
  bool wechat = path == "/weixin";
  std::string blocks;
  int first = total - (page > 1 ? (page - 1) * options.hitsPerPage : 0);
  for (int i = 0, number = first; i < options.hitsPerPage && number >= 1; ++i, --number) {
    blocks += wechat ? WeChatBlock(query, number) : WebBlock(query, number, i % 3 == 2);
  }
  return "<div id=\"main\"><div class=\"results\">\n" + blocks + "</div></div>\n";
}

FakeSearchEngine::FakeSearchEngine() : FakeSearchEngine(Options()) {}

FakeSearchEngine::FakeSearchEngine(Options options) : state_(std::make_unique<State>()) {
  state_->options = options;
  // Hundreds of workers poll at once; a keep-alive connection would hold one of the
  // server's threads for seconds while the others queue.
  state_->server.new_task_queue = [] { return new httplib::ThreadPool(32); };
  state_->server.set_keep_alive_max_count(1);
  for (const char* path : {"/web", "/news", "/weixin"}) {
    state_->server.Get(path, [this](const httplib::Request& request, httplib::Response& response) {
      state_->Handle(request, response);
    });
  }
}

FakeSearchEngine::~FakeSearchEngine() {
  Stop();
}

int FakeSearchEngine::Start(const std::string& host, int port) {
  int bound = port == 0 ? state_->server.bind_to_any_port(host)
                        : (state_->server.bind_to_port(host, port) ? port : -1);
  if (bound < 0) return -1;
  state_->thread = std::thread([this] { state_->server.listen_after_bind(); });
  for (int i = 0; i < 2000 && !state_->server.is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return state_->server.is_running() ? bound : -1;
}

void FakeSearchEngine::Stop() {
  state_->server.stop();
  if (state_->thread.joinable()) state_->thread.join();
}

void FakeSearchEngine::BlockNext(int count, const std::string& snuid) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->blocked = count;
  state_->snuid = snuid;
}

void FakeSearchEngine::ServeNext(std::vector<std::string> bodies) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  for (std::string& body : bodies) state_->rawBodies.push_back(std::move(body));
}

std::vector<FakeSearchEngine::Request> FakeSearchEngine::Requests() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->requests;
}

}  // namespace plexaro
