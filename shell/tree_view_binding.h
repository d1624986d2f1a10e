// Draws the configuration tree model in a QTreeWidget and forwards the user's clicks.
// The model stays the truth: after every change the window calls Sync(), which updates
// ticks and selection in place, or rebuilds the items when the structure changed.
// GUI thread only.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <vector>

#include "core/tree_model.h"

namespace plexaro {

class TreeViewBinding {
 public:
  struct Handlers {
    std::function<void()> selectionChanged;                    // the model's selection is set
    std::function<void(int item, int newState)> checkChanged;  // the user ticked or unticked
  };

  // Both must outlive the binding.
  TreeViewBinding(QTreeWidget* view, TreeModel& tree, Handlers handlers);

  void Sync();
  // The widget item of a tree index; null when out of range.
  QTreeWidgetItem* ItemAt(int index) const;

  // The check state a view shows for a model state: the third, dimmed tick is the
  // partly checked state, drawn as a greyed tick that the user cannot change.
  static Qt::CheckState ViewState(int checkState);

 private:
  bool SameStructure() const;
  void Rebuild();
  void UpdateItem(int index);
  void OnItemChanged(QTreeWidgetItem* item);
  void OnCurrentChanged(QTreeWidgetItem* item);

  QTreeWidget* view_;
  TreeModel& tree_;
  Handlers handlers_;
  std::vector<QTreeWidgetItem*> items_;  // in tree order
};

}  // namespace plexaro
