// The result list model as a Qt table: five columns, row images 3 and 4 in column 0,
// and the title column's caption with the row count. It follows the model through its
// observer, so rows are never copied. GUI thread only.
#pragma once

#include <QAbstractTableModel>

#include "core/result_list.h"

namespace plexaro {

class ResultTableModel final : public QAbstractTableModel, public ResultListObserver {
  Q_OBJECT

 public:
  // The list must outlive this model; it observes the list until destroyed.
  explicit ResultTableModel(ResultListModel& list, QObject* parent = nullptr);
  ~ResultTableModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void RowsInserted(size_t first, size_t count) override;
  void RowsRemoved(size_t first, size_t count) override;
  void RowChanged(size_t row) override;
  void TitleCaptionChanged(const Text& caption) override;
  void ScrollToTop() override;

  static constexpr int kColumnWidths[] = {200, 350, 70, 150, 100};

 signals:
  void ScrollToTopRequested();

 private:
  ResultListModel& list_;
  int shownRows_;  // the row count the views know of
};

}  // namespace plexaro
