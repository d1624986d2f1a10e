#include "core/result_actions.h"

namespace plexaro {

void OpenSelectedHit(ResultListModel& list, QuickReadPageState& page, AddressOpener& opener) {
  long row = list.Selected();
  bool hasRow = row >= 0 && size_t(row) < list.RowCount();
  page.originalPageAddress = hasRow ? list.Row(size_t(row)).address : Text();
  if (!hasRow) return;
  if (!page.originalPageAddress.empty()) opener.Open(page.originalPageAddress);
  list.SetRowImage(size_t(row), kRowReadImage);
}

Text SelectedTitle(const ResultListModel& list) {
  long row = list.Selected();
  return row >= 0 && size_t(row) < list.RowCount() ? list.Row(size_t(row)).title : Text();
}

}  // namespace plexaro
