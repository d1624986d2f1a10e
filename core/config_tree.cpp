#include "core/config_tree.h"

#include "web/gbk.h"

namespace plexaro {

int ResetConfigTree(TreeModel& tree) {
  tree.Clear();
  TreeItem root;
  root.text = gbk("监测列表");
  root.image = root.selectedImage = kRootImage;
  root.checkState = kCheckedDimmed;
  return tree.AddItem(-1, std::move(root));
}

Text ConfigItemText(const MonitorConfig& config) {
  return "[" + DataSourceName(config.dataSource) + "]";
}

int PutConfigInTree(TreeModel& tree, MonitorConfigList& configs, const MonitorConfig& config,
                    int item, bool replace, bool keepSelection) {
  int node = item;
  if (replace) {
    if (!tree.IsValid(item)) return -1;
    configs.Replace(size_t(tree.Item(item).value), config);
    tree.MutableItem(item).text = ConfigItemText(config);
  } else {
    TreeItem child;
    child.text = ConfigItemText(config);
    child.image = child.selectedImage = kConfigImage;
    child.value = long(configs.Append(config));
    child.checkState = kChecked;
    node = tree.AddItem(0, std::move(child));
  }
  tree.MutableItem(node).checkState = config.enabled ? kChecked : kUnchecked;
  RemoveKeywordChildren(tree, node);
  AddKeywordChildren(tree, node, config.keywords);
  tree.MutableItem(node).expanded = true;
  if (!keepSelection) tree.Select(node);
  return node;
}

int RemoveKeywordChildren(TreeModel& tree, int item, bool leaveEventsOn) {
  bool wasMuted = tree.treeEventsMuted;
  if (!leaveEventsOn) tree.treeEventsMuted = true;
  int removed = 0;
  while (tree.IsValid(item + 1) && tree.Parent(item + 1) == item) {
    tree.DeleteItem(item + 1);
    ++removed;
  }
  if (!leaveEventsOn) tree.treeEventsMuted = wasMuted;
  return removed;
}

void AddKeywordChildren(TreeModel& tree, int item, const std::vector<Text>& keywords) {
  for (size_t i = 0; i < keywords.size(); ++i) {
    if (keywords[i].empty()) continue;
    TreeItem child;
    child.text = keywords[i];
    child.image = child.selectedImage = kKeywordImage;
    child.value = long(i + 1);
    child.checkState = kCheckedDimmed;
    tree.AddItem(item, std::move(child));
  }
}

}  // namespace plexaro
