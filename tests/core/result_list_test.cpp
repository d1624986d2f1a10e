#include "core/result_list.h"

#include <gtest/gtest.h>

#include "web/gbk.h"

namespace plexaro {
namespace {

ResultListModel ListWithRows(size_t rows) {
  ResultListModel list;
  for (size_t i = 0; i < rows; ++i) {
    ResultItem item;
    item.title = std::to_string(i);
    list.InsertRow(0, item);
  }
  return list;
}

TEST(ResultList, TrimsToOneThousandRowsFromFifteenHundredAndOne) {
  struct Case {
    size_t rows;
    long selected;
    size_t rowsAfter;
  };
  const Case cases[] = {
      {1500, -1, 1500}, {1501, -1, 1000}, {1501, 999, 1000}, {1501, 1000, 1501}, {1600, 0, 1000},
  };
  for (const auto& c : cases) {
    ResultListModel list = ListWithRows(c.rows);
    list.Select(c.selected);
    list.TrimIfOversized();
    EXPECT_EQ(list.RowCount(), c.rowsAfter) << c.rows << " rows, selected " << c.selected;
  }
}

TEST(ResultList, TrimKeepsTheNewestRows) {
  ResultListModel list = ListWithRows(1501);
  list.TrimIfOversized();
  EXPECT_EQ(list.Row(0).title, "1500");
  EXPECT_EQ(list.Row(999).title, "501");
}

TEST(ResultList, SelectionFollowsInsertedRows) {
  ResultListModel list = ListWithRows(3);
  list.Select(1);
  list.InsertRow(0, ResultItem{});
  EXPECT_EQ(list.Selected(), 2);
  list.InsertRow(3, ResultItem{});
  EXPECT_EQ(list.Selected(), 2);
  list.Select(99);
  EXPECT_EQ(list.Selected(), -1);
}

TEST(ResultList, TitleCaptionCountsRows) {
  ResultListModel list = ListWithRows(2);
  EXPECT_TRUE(list.UpdateTitleCaption());
  EXPECT_EQ(list.TitleCaption(), gbk("标题(2条)"));
  EXPECT_FALSE(list.UpdateTitleCaption());
}

}  // namespace
}  // namespace plexaro
