#include "core/window_layout.h"

#include <algorithm>

namespace plexaro {
namespace {
int NotNegative(int value) {
  return std::max(value, 0);
}
}  // namespace

WindowLayout LayoutWindow(int clientWidth, int clientHeight, const Rect& tree,
                          int startButtonHeight) {
  WindowLayout layout;
  layout.tree = {0, 0, tree.width, tree.height};
  int tabsHeight = NotNegative(tree.height - startButtonHeight - 2);
  layout.tabs = {tree.width, 0, NotNegative(clientWidth - tree.width), tabsHeight};
  layout.startButton = {tree.width + 1, tabsHeight + 1, NotNegative(clientWidth - tree.width - 2),
                        startButtonHeight};
  layout.resultList = {0, tree.height, NotNegative(clientWidth),
                       NotNegative(clientHeight - tree.height)};
  return layout;
}

Rect BrowserPlace(int pageWidth, int pageHeight, int pageOffset) {
  return {0, pageOffset, NotNegative(pageWidth), NotNegative(pageHeight - pageOffset)};
}

int LastColumnWidth(int clientWidth, int otherColumnsWidth) {
  return NotNegative(clientWidth - otherColumnsWidth - 30);
}

}  // namespace plexaro
