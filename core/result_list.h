// The result list as a plain model: rows of hits, newest at the top, which the desktop
// shell draws and the headless front end prints. GUI thread only.
#pragma once

#include <deque>

#include "web/text.h"

namespace plexaro {

enum RowImage : int { kRowReadImage = 3, kRowUnreadImage = 4 };

// One row: the columns time, title, data source, keyword (with its site part) and
// address, and the row image.
struct ResultItem {
  Text time;
  Text title;
  Text source;
  Text keyword;
  Text address;
  int image = kRowUnreadImage;
};

// Told about every change, so a view can follow without copying the rows.
class ResultListObserver {
 public:
  virtual ~ResultListObserver() = default;
  virtual void RowsInserted(size_t first, size_t count) = 0;
  virtual void RowsRemoved(size_t first, size_t count) = 0;
  virtual void RowChanged(size_t row) = 0;
  virtual void TitleCaptionChanged(const Text& caption) = 0;
  virtual void ScrollToTop() = 0;
};

class ResultListModel {
 public:
  static constexpr size_t kKeptRows = 1000;
  static constexpr size_t kTrimThreshold = 1501;

  void SetObserver(ResultListObserver* observer) { observer_ = observer; }

  void InsertRow(size_t index, ResultItem item);
  size_t RowCount() const { return rows_.size(); }
  // Out-of-range rows read as an empty item.
  const ResultItem& Row(size_t row) const;
  void SetRowImage(size_t row, int image);

  // The selected row, -1 for none.
  long Selected() const { return selected_; }
  void Select(long row);

  // Cuts the list back to 1000 rows once it holds 1501 or more, unless a row beyond
  // index 999 is selected (the user is looking at it). Returns whether it cut.
  bool TrimIfOversized();

  // Sets the title column's caption to "标题(N条)" for the current row count when it
  // differs; returns whether it changed.
  bool UpdateTitleCaption();
  const Text& TitleCaption() const { return titleCaption_; }

  void ScrollToTop();

 private:
  std::deque<ResultItem> rows_;
  long selected_ = -1;
  Text titleCaption_;
  ResultListObserver* observer_ = nullptr;
};

}  // namespace plexaro
