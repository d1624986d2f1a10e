#include "core/window_layout.h"

#include <gtest/gtest.h>

namespace plexaro {
namespace {

TEST(WindowLayout, DesignedSize) {
  WindowLayout layout = LayoutWindow(kDesignedClientWidth, kDesignedClientHeight);
  EXPECT_EQ(layout.tree, (Rect{0, 0, 280, 464}));
  EXPECT_EQ(layout.tabs, (Rect{280, 0, 712, 414}));
  EXPECT_EQ(layout.startButton, (Rect{281, 415, 710, 48}));
  EXPECT_EQ(layout.resultList, kDesignedResultList);
}

TEST(WindowLayout, ResizingKeepsTheTreeAndStretchesTheRest) {
  struct Case {
    int width, height;
  } cases[] = {{1600, 1000}, {500, 600}, {281, 465}};
  for (const Case& c : cases) {
    WindowLayout layout = LayoutWindow(c.width, c.height);
    EXPECT_EQ(layout.tree, (Rect{0, 0, 280, 464}));
    EXPECT_EQ(layout.tabs, (Rect{280, 0, c.width - 280, 414}));
    EXPECT_EQ(layout.startButton.top, layout.tabs.height + 1);
    EXPECT_EQ(layout.startButton.width, c.width - 282 < 0 ? 0 : c.width - 282);
    EXPECT_EQ(layout.resultList, (Rect{0, 464, c.width, c.height - 464}));
  }
}

TEST(WindowLayout, ClientSmallerThanTheTreeGivesNoNegativeSizes) {
  WindowLayout layout = LayoutWindow(100, 0);
  EXPECT_EQ(layout.tabs.width, 0);
  EXPECT_EQ(layout.startButton.width, 0);
  EXPECT_EQ(layout.resultList.height, 0);
  EXPECT_EQ(BrowserPlace(518, 40, 80), (Rect{0, 80, 518, 0}));
  EXPECT_EQ(LastColumnWidth(992, 770), 192);
  EXPECT_EQ(LastColumnWidth(500, 770), 0);
}

}  // namespace
}  // namespace plexaro
