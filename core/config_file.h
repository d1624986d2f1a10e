// The configurations in the configuration file, section "监测列表": the beep check box,
// "数量" and eight keys "(n)..." per configuration. GUI thread only.
#pragma once

#include "core/config_tree.h"
#include "core/search_request.h"
#include "settings/settings_store.h"

namespace plexaro {

// The configuration file's name in the run directory.
Text ConfigFileName();  // "Zavrin·Plexaro.ini"

// Reads every configuration into `configs` (emptied first) and rebuilds the tree under
// a fresh root. `beepSilenced` is the check box "选择框禁止提示音": its current state is
// the default and it receives the stored one. Missing keys read as false, 0 or empty.
void LoadMonitorConfigs(SettingsStore& store, MonitorConfigList& configs, TreeModel& tree,
                        bool& beepSilenced);

// Writes the configurations that are not deleted, renumbered densely in list order,
// then "数量". Keys of an earlier, longer save stay in the file.
void SaveMonitorConfigs(SettingsStore& store, const MonitorConfigList& configs, bool beepSilenced);

// The search engine's hosts: section "搜索主机", keys "网页", "新闻" and "微信";
// missing or empty keys keep the built-in hosts.
SearchHosts ReadSearchHosts(SettingsStore& store);

// Holds the process on its first allowed processor, as the monitoring core expects.
void PinToFirstProcessor();

}  // namespace plexaro
