#include "core/config_file.h"

#include <sched.h>

#include <algorithm>

#include "web/gbk.h"

namespace plexaro {
namespace {

// A damaged count must not make loading create millions of empty configurations.
constexpr size_t kMaxConfigs = 10000;

const Text& Section() {
  return gbk("监测列表");
}
const Text& SilenceKey() {
  return gbk("选择框禁止提示音");
}

Text Key(size_t n, const char* suffix) {
  return "(" + std::to_string(n) + gbk(suffix);
}

MonitorConfig ReadConfig(SettingsStore& store, size_t n) {
  MonitorConfig config;
  config.enabled = store.ReadBool(Key(n, ")启用"), false);
  config.dataSource = int(store.ReadNumber(Key(n, ")数据源"), 0));
  config.siteLimit = store.ReadText(Key(n, ")限定网站"), "");
  config.keywords = KeywordsFromText(store.ReadText(Key(n, ")关键词"), ""));
  config.keywordInTitle = store.ReadBool(Key(n, ")关键词在标题"), false);
  config.completeMatch = store.ReadBool(Key(n, ")完全出现"), false);
  config.resultCount = int(store.ReadNumber(Key(n, ")返回数"), 0));
  config.refreshSeconds = int(store.ReadNumber(Key(n, ")刷新秒"), 0));
  return config;
}

void WriteConfig(SettingsStore& store, size_t n, const MonitorConfig& config) {
  store.WriteBool(Key(n, ")启用"), config.enabled);
  store.WriteNumber(Key(n, ")数据源"), config.dataSource);
  store.WriteText(Key(n, ")限定网站"), config.siteLimit);
  store.WriteText(Key(n, ")关键词"), KeywordsToText(config.keywords));
  store.WriteBool(Key(n, ")关键词在标题"), config.keywordInTitle);
  store.WriteBool(Key(n, ")完全出现"), config.completeMatch);
  store.WriteNumber(Key(n, ")返回数"), config.resultCount);
  store.WriteNumber(Key(n, ")刷新秒"), config.refreshSeconds);
}

}  // namespace

Text ConfigFileName() {
  return gbk("Zavrin·Plexaro") + ".ini";
}

void LoadMonitorConfigs(SettingsStore& store, MonitorConfigList& configs, TreeModel& tree,
                        bool& beepSilenced) {
  store.SelectSection(Section());
  beepSilenced = store.ReadBool(SilenceKey(), beepSilenced);
  double stored = store.ReadNumber(gbk("数量"), 0);
  size_t count = stored >= 1 ? size_t(std::min(stored, double(kMaxConfigs))) : 0;
  configs.Clear();
  int root = ResetConfigTree(tree);
  for (size_t n = 1; n <= count; ++n) {
    PutConfigInTree(tree, configs, ReadConfig(store, n), root, false, true);
  }
  tree.MutableItem(root).expanded = true;
}

void SaveMonitorConfigs(SettingsStore& store, const MonitorConfigList& configs, bool beepSilenced) {
  store.SelectSection(Section());
  store.WriteBool(SilenceKey(), beepSilenced);
  size_t written = 0;
  for (size_t i = 1; i <= configs.Count(); ++i) {
    MonitorConfig config = configs.Get(i);
    if (!config.deleted) WriteConfig(store, ++written, config);
  }
  store.SelectSection(Section());
  store.WriteNumber(gbk("数量"), double(written));
}

SearchHosts ReadSearchHosts(SettingsStore& store) {
  SearchHosts hosts;
  store.SelectSection(gbk("搜索主机"));
  for (auto [key, host] : {std::pair{"网页", &hosts.web}, std::pair{"新闻", &hosts.news},
                           std::pair{"微信", &hosts.weChat}}) {
    Text value = store.ReadText(gbk(key), "");
    if (!value.empty()) *host = value;
  }
  return hosts;
}

void PinToFirstProcessor() {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (!CPU_ISSET(cpu, &allowed)) continue;
    cpu_set_t first;
    CPU_ZERO(&first);
    CPU_SET(cpu, &first);
    sched_setaffinity(0, sizeof first, &first);
    return;
  }
}

}  // namespace plexaro
