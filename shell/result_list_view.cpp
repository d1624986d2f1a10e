#include "shell/result_list_view.h"

#include "shell/images.h"
#include "shell/qt_text.h"

namespace plexaro {

ResultTableModel::ResultTableModel(ResultListModel& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), shownRows_(int(list.RowCount())) {
  list_.SetObserver(this);
}

ResultTableModel::~ResultTableModel() {
  list_.SetObserver(nullptr);
}

int ResultTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownRows_;
}

int ResultTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 5;
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || size_t(index.row()) >= list_.RowCount()) return {};
  const ResultItem& row = list_.Row(size_t(index.row()));
  if (role == Qt::DecorationRole && index.column() == 0) return ShellImage(row.image);
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const Text* columns[] = {&row.time, &row.title, &row.source, &row.keyword, &row.address};
  return ToQString(*columns[index.column()]);
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kCaptions[] = {"时间", "标题", "数据源", "关键词", "网址"};
  if (section < 0 || section >= 5) return {};
  if (section == 1 && !list_.TitleCaption().empty()) return ToQString(list_.TitleCaption());
  return Ui(kCaptions[section]);
}

// The list has already changed when it tells us, so the row count the views see only
// follows between the begin and end calls, as Qt's models expect.
void ResultTableModel::RowsInserted(size_t first, size_t count) {
  beginInsertRows({}, int(first), int(first + count - 1));
  shownRows_ = int(list_.RowCount());
  endInsertRows();
}

void ResultTableModel::RowsRemoved(size_t first, size_t count) {
  beginRemoveRows({}, int(first), int(first + count - 1));
  shownRows_ = int(list_.RowCount());
  endRemoveRows();
}

void ResultTableModel::RowChanged(size_t row) {
  emit dataChanged(index(int(row), 0), index(int(row), 4));
}

void ResultTableModel::TitleCaptionChanged(const Text&) {
  emit headerDataChanged(Qt::Horizontal, 1, 1);
}

void ResultTableModel::ScrollToTop() {
  emit ScrollToTopRequested();
}

}  // namespace plexaro
