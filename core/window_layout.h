// The main window's layout rule: where the tree, the tab control, the start button and
// the result list go for a given client size. The tree never changes size; everything
// else follows the window. Pure functions.
#pragma once

namespace plexaro {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

// The designed places of the controls the layout moves.
inline constexpr Rect kDesignedTree{0, 0, 280, 464};
inline constexpr Rect kDesignedTabs{280, 0, 825, 336};
inline constexpr Rect kDesignedStartButton{280, 344, 712, 48};
inline constexpr Rect kDesignedResultList{0, 464, 992, 304};
// The designed client area (the window is 1000 by 800 with its frame).
inline constexpr int kDesignedClientWidth = 992;
inline constexpr int kDesignedClientHeight = 768;

struct WindowLayout {
  Rect tree;
  Rect tabs;
  Rect startButton;
  Rect resultList;
};

// Places for a client area of `clientWidth` by `clientHeight`, keeping the tree's size
// and the start button's height. Sizes that would come out negative (a client area
// smaller than the tree) are 0 until the next resize.
WindowLayout LayoutWindow(int clientWidth, int clientHeight, const Rect& tree = kDesignedTree,
                          int startButtonHeight = kDesignedStartButton.height);

// The quick-read view fills the tab page below `pageOffset`.
Rect BrowserPlace(int pageWidth, int pageHeight, int pageOffset);

// The width of the last result-list column ("网址"): what the other four leave of the
// list's width, less 30 for the scroll bar; never below 0.
int LastColumnWidth(int clientWidth, int otherColumnsWidth);

}  // namespace plexaro
