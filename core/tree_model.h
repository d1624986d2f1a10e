// A tree of items kept in tree order, as a plain model that the desktop shell draws.
//
// Items are known by their 0-based index in tree order (pre-order), which shifts when
// items are inserted or deleted before them, exactly like a tree view's item order.
#pragma once

#include <vector>

#include "web/text.h"

namespace plexaro {

enum CheckState : int { kUnchecked = 0, kChecked = 1, kCheckedDimmed = 2 };

struct TreeItem {
  Text text;
  int image = 0;
  int selectedImage = 0;
  long value = 0;  // the item value
  int checkState = kUnchecked;
  bool expanded = false;
  int depth = 0;  // 0 for top-level items
};

// Not thread-safe: the GUI thread owns it.
class TreeModel {
 public:
  // Adds `item` as the last child of `parent` (-1: a top-level item); returns its index.
  int AddItem(int parent, TreeItem item);
  // Deletes the item and everything under it; out-of-range indexes are ignored.
  void DeleteItem(int index);
  void Clear();

  int Count() const { return int(items_.size()); }
  bool IsValid(int index) const { return index >= 0 && index < Count(); }
  const TreeItem& Item(int index) const { return items_[size_t(index)]; }
  TreeItem& MutableItem(int index) { return items_[size_t(index)]; }
  // The parent's index, or -1 for a top-level or invalid item.
  int Parent(int index) const;
  // The index just past the item's last descendant.
  int SubtreeEnd(int index) const;

  int Selected() const { return selected_; }
  void Select(int index) { selected_ = IsValid(index) ? index : -1; }

  // Set while the program rebuilds items; selection events are ignored meanwhile.
  bool treeEventsMuted = false;

 private:
  std::vector<TreeItem> items_;
  int selected_ = -1;
};

}  // namespace plexaro
