#include "core/result_actions.h"

#include <gtest/gtest.h>

namespace plexaro {
namespace {

class RecordingOpener final : public AddressOpener {
 public:
  void Open(const Text& address) override { opened.push_back(address); }
  std::vector<Text> opened;
};

TEST(ResultActions, RightClickOpensTheSelectedRowAndMarksItRead) {
  ResultListModel list;
  list.InsertRow(0, {"t1", "first", "s", "k", "http://a/1"});
  list.InsertRow(1, {"t2", "second", "s", "k", "http://a/2"});
  QuickReadPageState page;
  RecordingOpener opener;

  OpenSelectedHit(list, page, opener);  // nothing selected: nothing opened or changed
  EXPECT_TRUE(opener.opened.empty());
  EXPECT_EQ(SelectedTitle(list), "");

  list.Select(1);
  OpenSelectedHit(list, page, opener);
  EXPECT_EQ(opener.opened, std::vector<Text>{"http://a/2"});
  EXPECT_EQ(page.originalPageAddress, "http://a/2");
  EXPECT_EQ(list.Row(1).image, kRowReadImage);
  EXPECT_EQ(list.Row(0).image, kRowUnreadImage);
  EXPECT_EQ(SelectedTitle(list), "second");
}

}  // namespace
}  // namespace plexaro
