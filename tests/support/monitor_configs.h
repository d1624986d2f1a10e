// Configurations for tests: a data source, keywords and the enabled tick, with the
// editor's usual count and interval (20 results every 20 seconds).
#pragma once

#include <utility>
#include <vector>

#include "core/monitor_config.h"

namespace plexaro {

inline MonitorConfig Config(int source, std::vector<Text> keywords, bool enabled = true) {
  MonitorConfig config;
  config.dataSource = source;
  config.keywords = std::move(keywords);
  config.enabled = enabled;
  config.resultCount = 20;
  config.refreshSeconds = 20;
  return config;
}

}  // namespace plexaro
