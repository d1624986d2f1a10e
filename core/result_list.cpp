#include "core/result_list.h"

#include "web/gbk.h"

namespace plexaro {

void ResultListModel::InsertRow(size_t index, ResultItem item) {
  if (index > rows_.size()) index = rows_.size();
  rows_.insert(rows_.begin() + long(index), std::move(item));
  if (selected_ >= long(index)) ++selected_;
  if (observer_) observer_->RowsInserted(index, 1);
}

const ResultItem& ResultListModel::Row(size_t row) const {
  static const ResultItem kEmpty;
  return row < rows_.size() ? rows_[row] : kEmpty;
}

void ResultListModel::SetRowImage(size_t row, int image) {
  if (row >= rows_.size() || rows_[row].image == image) return;
  rows_[row].image = image;
  if (observer_) observer_->RowChanged(row);
}

void ResultListModel::Select(long row) {
  selected_ = (row >= 0 && size_t(row) < rows_.size()) ? row : -1;
}

bool ResultListModel::TrimIfOversized() {
  if (rows_.size() < kTrimThreshold || selected_ >= long(kKeptRows)) return false;
  size_t removed = rows_.size() - kKeptRows;
  rows_.resize(kKeptRows);
  if (observer_) observer_->RowsRemoved(kKeptRows, removed);
  return true;
}

bool ResultListModel::UpdateTitleCaption() {
  Text caption = gbk("标题(") + std::to_string(rows_.size()) + gbk("条)");
  if (caption == titleCaption_) return false;
  titleCaption_ = std::move(caption);
  if (observer_) observer_->TitleCaptionChanged(titleCaption_);
  return true;
}

void ResultListModel::ScrollToTop() {
  if (observer_) observer_->ScrollToTop();
}

}  // namespace plexaro
