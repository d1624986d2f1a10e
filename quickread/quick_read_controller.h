// The quick-read controller: what a left click on a hit does, without the widgets.
//
// UI thread only. A preview served from the cache is written at once; otherwise the
// waiting page is written and a worker thread fetches the page, and its result is
// written when it arrives, unless the user has selected another row meanwhile (then the
// preview ends without writing anything). Each request keeps its own result, so
// overlapping previews never see each other's content.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "quickread/quick_read_worker.h"

namespace plexaro {

// The window's side: the result list, the preview and the controls around it.
class PreviewView {
 public:
  virtual ~PreviewView() = default;
  virtual long SelectedRow() const = 0;  // -1 when no row is selected
  virtual Text RowTitle(long row) const = 0;
  virtual Text RowAddress(long row) const = 0;
  virtual void MarkRowRead(long row) = 0;        // row image 3
  virtual void WriteHtml(const Text& html) = 0;  // blank the preview, then show html
  virtual void SetOriginalPageLink(const Text& address) = 0;
  virtual void SetCacheFileLink(const Text& path) = 0;
  virtual void SetCopyTexts(const Text& content, const Text& title) = 0;
  virtual bool QuickReadTabShown() const = 0;
  virtual void ShowQuickReadTab() = 0;
};

// Runs a function on the UI thread later and returns at once (a queued call). Calls
// still queued when the controller is destroyed must be dropped (tie them to an object
// that owns the controller, as Qt's queued calls to a context object are).
using UiPoster = std::function<void(std::function<void()>)>;
using QuickReadFetcherFactory =
    std::function<std::unique_ptr<QuickReadFetcher>(const std::atomic<bool>* abortFlag)>;

class QuickReadController {
 public:
  QuickReadController(PreviewView& view, Text cacheDirectory, UiPoster post,
                      QuickReadFetcherFactory makeFetcher = MakeNetworkFetcher,
                      QuickReadOptions options = {});
  // Gives up the requests still running and waits for their threads.
  ~QuickReadController();
  QuickReadController(const QuickReadController&) = delete;
  QuickReadController& operator=(const QuickReadController&) = delete;

  void PreviewSelectedHit();
  // The tab control's page event: index 1 blanks the preview, except right after a
  // preview switched to that tab itself.
  void OnTabEvent(int index);
  // The list's selection changed; requests for other rows are superseded.
  void SelectionChanged(long row);

  static const Text& WaitingPage();  // "<h3>正在读取网页并自动提取正文..请稍等</h3>"
  // "【" + red host + "】" + the header line linking the title to the address.
  static Text HeaderHtml(const Text& address, const Text& title);

  // For tests: whether a request is still running.
  bool Busy() const { return !requests_.empty(); }

 private:
  struct Request;
  void Show(long row, const Text& address, const Text& content);
  void Finish(Request* request);

  PreviewView& view_;
  Text cacheDirectory_;
  UiPoster post_;
  QuickReadFetcherFactory makeFetcher_;
  QuickReadOptions options_;
  std::shared_ptr<std::atomic<long>> selectedRow_;
  std::vector<std::unique_ptr<Request>> requests_;
  bool switchingTab_ = false;
};

}  // namespace plexaro
