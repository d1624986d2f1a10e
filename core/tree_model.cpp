#include "core/tree_model.h"

namespace plexaro {

int TreeModel::AddItem(int parent, TreeItem item) {
  int at = Count();
  item.depth = 0;
  if (IsValid(parent)) {
    at = SubtreeEnd(parent);
    item.depth = Item(parent).depth + 1;
  }
  items_.insert(items_.begin() + at, std::move(item));
  if (selected_ >= at) ++selected_;
  return at;
}

void TreeModel::DeleteItem(int index) {
  if (!IsValid(index)) return;
  int end = SubtreeEnd(index);
  items_.erase(items_.begin() + index, items_.begin() + end);
  if (selected_ >= end) {
    selected_ -= end - index;
  } else if (selected_ >= index) {
    selected_ = -1;
  }
}

void TreeModel::Clear() {
  items_.clear();
  selected_ = -1;
}

int TreeModel::Parent(int index) const {
  if (!IsValid(index)) return -1;
  int depth = Item(index).depth;
  for (int i = index - 1; i >= 0; --i) {
    if (Item(i).depth < depth) return i;
  }
  return -1;
}

int TreeModel::SubtreeEnd(int index) const {
  int depth = Item(index).depth;
  int end = index + 1;
  while (end < Count() && Item(end).depth > depth) ++end;
  return end;
}

}  // namespace plexaro
