// The configuration tree: a root "监测列表", one item per configuration, and one child
// per non-empty keyword. Images tell the kinds apart (0 root, 1 configuration, 2 keyword);
// a configuration item's value is its 1-based position in the configuration list, a
// keyword item's value the keyword's 1-based index. GUI thread only.
#pragma once

#include "core/monitor_config.h"
#include "core/tree_model.h"

namespace plexaro {

enum TreeImage : int { kRootImage = 0, kConfigImage = 1, kKeywordImage = 2 };

// Empties the tree and adds the root item (image 0, dimmed tick); returns its index.
int ResetConfigTree(TreeModel& tree);

// The item text of a configuration: "[" + data-source name + "]".
Text ConfigItemText(const MonitorConfig& config);

// Append mode (replace false): appends a copy of `config` to the list and a node under
// the root. Replace mode: replaces the record named by `item`'s value and renames the
// item. Either way the node's tick follows `enabled` and its keyword children are
// rebuilt. Returns the node's index.
int PutConfigInTree(TreeModel& tree, MonitorConfigList& configs, const MonitorConfig& config,
                    int item, bool replace, bool keepSelection);

// Deletes the keyword items directly under `item`; returns how many went. Mutes tree
// events meanwhile unless `leaveEventsOn`.
int RemoveKeywordChildren(TreeModel& tree, int item, bool leaveEventsOn = false);

// Adds one dimmed child per non-empty keyword, valued with the keyword's index.
void AddKeywordChildren(TreeModel& tree, int item, const std::vector<Text>& keywords);

}  // namespace plexaro
