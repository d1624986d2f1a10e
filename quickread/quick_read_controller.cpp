#include "quickread/quick_read_controller.h"

#include <thread>

#include "web/address.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {

// One preview waiting for its worker. The thread fills `content` (or leaves it empty
// when superseded) and then posts Finish to the UI thread.
struct QuickReadController::Request {
  long row = -1;
  Text address;
  std::atomic<bool> cancelled{false};  // the program is closing
  std::optional<Text> content;
  std::thread thread;
};

QuickReadController::QuickReadController(PreviewView& view, Text cacheDirectory, UiPoster post,
                                         QuickReadFetcherFactory makeFetcher,
                                         QuickReadOptions options)
    : view_(view),
      cacheDirectory_(std::move(cacheDirectory)),
      post_(std::move(post)),
      makeFetcher_(std::move(makeFetcher)),
      options_(options),
      selectedRow_(std::make_shared<std::atomic<long>>(-1)) {}

QuickReadController::~QuickReadController() {
  for (auto& request : requests_) request->cancelled = true;
  for (auto& request : requests_) {
    if (request->thread.joinable()) request->thread.join();
  }
}

const Text& QuickReadController::WaitingPage() {
  return gbk("<h3>正在读取网页并自动提取正文..请稍等</h3>");
}

Text QuickReadController::HeaderHtml(const Text& address, const Text& title) {
  static const Text kTemplate =
      gbk("<a href=\"#网址#\" title=\"调试模式：点击进入原网页比对识别正文的效果\" "
          "target=\"_blank\">#标题#</a><hr>");
  Text header = ReplaceAll(ReplaceAll(kTemplate, gbk("#网址#"), address), gbk("#标题#"), title);
  return gbk("【<font style=color:red>") + HostOfAddress(address) + gbk("</font>】") + header;
}

void QuickReadController::SelectionChanged(long row) {
  selectedRow_->store(row);
}

void QuickReadController::PreviewSelectedHit() {
  long row = view_.SelectedRow();
  SelectionChanged(row);
  if (row < 0) return;
  Text address = view_.RowAddress(row);
  Text cachePath = QuickReadCachePath(cacheDirectory_, address);
  view_.SetOriginalPageLink(address);
  view_.SetCacheFileLink(cachePath);
  ByteSet cached;
  ReadWholeFile(cachePath, cached);
  Text content = cached.substr(0, cached.find('\0'));
  if (!content.empty()) return Show(row, address, content);

  view_.WriteHtml(WaitingPage());
  auto request = std::make_unique<Request>();
  Request* raw = request.get();
  raw->row = row;
  raw->address = address;
  auto selected = selectedRow_;
  raw->thread = std::thread([this, raw, selected, cachePath = cacheDirectory_] {
    std::unique_ptr<QuickReadFetcher> fetcher = makeFetcher_(&raw->cancelled);
    auto superseded = [&] { return raw->cancelled || selected->load() != raw->row; };
    raw->content = RunQuickReadWorker(raw->address, cachePath, *fetcher, superseded, options_);
    if (!raw->cancelled) post_([this, raw] { Finish(raw); });
  });
  requests_.push_back(std::move(request));
}

void QuickReadController::Finish(Request* request) {
  request->thread.join();
  long row = request->row;
  Text address = request->address;
  std::optional<Text> content = std::move(request->content);
  std::erase_if(requests_, [&](const std::unique_ptr<Request>& r) { return r.get() == request; });
  // The user has moved on: this preview ends without writing anything.
  if (!content || view_.SelectedRow() != row) return;
  Show(row, address, *content);
}

void QuickReadController::Show(long row, const Text& address, const Text& content) {
  Text title = view_.RowTitle(row);
  view_.SetCopyTexts(content, title);
  view_.WriteHtml(HeaderHtml(address, title) + content);
  if (!content.empty()) view_.MarkRowRead(row);
  if (!view_.QuickReadTabShown()) {
    switchingTab_ = true;
    view_.ShowQuickReadTab();
    switchingTab_ = false;
  }
}

void QuickReadController::OnTabEvent(int index) {
  // The switch made by Show must not blank the page it has just written.
  if (index == 1 && !switchingTab_) view_.WriteHtml(Text());
}

}  // namespace plexaro
