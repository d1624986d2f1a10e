// plexaro-cli monitor [--dir DIR] [--cycles N] [--json]: the start button without the
// window. Workers hand their hits to this thread, which runs the same new-hit refresh
// as the window and prints the new hits.
#include <csignal>
#include <cstdio>
#include <map>
#include <thread>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/config_file.h"
#include "core/monitor_control.h"
#include "core/result_refresh.h"
#include "core/seen_lists.h"
#include "core/sync_executor.h"
#include "core/web_search_client.h"
#include "web/event_pump.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

volatile std::sig_atomic_t interrupted = 0;
void OnSignal(int) {
  interrupted = 1;
}

struct MonitorOptions {
  Text directory;   // with a trailing separator
  long cycles = 0;  // 0: until interrupted
  bool json = false;
};

class SilentBeeper final : public Beeper {
 public:
  void Beep() override {}
};

class StderrNotifier final : public Notifier {
 public:
  void ShowMessage(const Text& text, const Text& title, MessageIcon, MessageModality) override {
    std::fprintf(stderr, "%s %s\n", GbkToUtf8(title).c_str(), GbkToUtf8(text).c_str());
  }
};

// The front end's side of monitoring: runs hand-overs on the main thread through the
// executor, prints new hits and counts cycles.
class CliHost final : public MonitorHost {
 public:
  CliHost(const MonitorOptions& options, SettingsStore& store, MonitorConfigList& configs,
          ResultRefresher& refresher, bool beepSilenced)
      : options_(options),
        store_(store),
        configs_(configs),
        refresher_(refresher),
        beepSilenced_(beepSilenced) {}

  void CaptionChanged(const Text&) override {}
  void HandOver(const HandOverRequest& request) override {
    executor.RunOnOwner([&] { Print(request, refresher_.RefreshResultList(request)); });
  }
  void CycleFinished(size_t config, size_t keyword) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++cycles_[{config, keyword}];
  }
  void ProblemReported(const Text& problem) override {
    std::fprintf(stderr, "plexaro-cli: %s\n", GbkToUtf8(problem).c_str());
  }
  void SaveConfigs() override { SaveMonitorConfigs(store_, configs_, beepSilenced_); }
  void MonitoringStopped() override {}

  // True once every worker of the run has finished `cycles` cycles.
  bool CyclesDone(long cycles, size_t workers) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cycles <= 0 || cycles_.size() < workers) return false;
    for (const auto& [worker, count] : cycles_) {
      if (count < cycles) return false;
    }
    return true;
  }

  SyncExecutor executor;

 private:
  void Print(const HandOverRequest& request, const std::vector<HitRecord>& hits) {
    MonitorConfig config = configs_.Get(request.config);
    Text keyword = KeywordColumn(config, configs_.Keyword(request.config, request.keyword));
    for (const HitRecord& hit : hits) {
      Fields fields = {{"time", hit.time},
                       {"title", hit.title},
                       {"source", DataSourceName(config.dataSource)},
                       {"keyword", keyword},
                       {"address", hit.address}};
      std::puts((options_.json ? JsonLine(fields) : TabLine(fields)).c_str());
    }
    std::fflush(stdout);
  }

  const MonitorOptions& options_;
  SettingsStore& store_;
  MonitorConfigList& configs_;
  ResultRefresher& refresher_;
  bool beepSilenced_;
  std::mutex mutex_;
  std::map<std::pair<size_t, size_t>, long> cycles_;
};

size_t CountWorkers(const MonitorConfigList& configs) {
  size_t workers = 0;
  for (size_t i = 1; i <= configs.Count(); ++i) {
    MonitorConfig config = configs.Get(i);
    if (!config.enabled) continue;
    for (const Text& keyword : config.keywords) workers += keyword.empty() ? 0 : 1;
  }
  return workers;
}

int ParseMonitorOptions(const Arguments& arguments, MonitorOptions& options) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    bool hasValue = i + 1 < arguments.size();
    if (arg == "--dir" && hasValue) {
      options.directory = TextPath(arguments[++i]);
      if (!options.directory.ends_with(kPathSeparator)) options.directory += kPathSeparator;
    } else if (arg == "--cycles" && hasValue) {
      const std::string& value = arguments[++i];
      char* end = nullptr;
      options.cycles = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || options.cycles < 1) {
        return UsageError("--cycles takes a whole number of at least 1, not '" + value + "'");
      }
    } else if (arg == "--json") {
      options.json = true;
    } else {
      return UsageError("monitor: unknown or incomplete option '" + arg + "'");
    }
  }
  if (options.directory.empty()) options.directory = RunDirectory();
  return 0;
}

int Monitor(const MonitorOptions& options) {
  if (!DirectoryExists(options.directory)) {
    std::fprintf(stderr, "plexaro-cli: '%s' is not a directory\n",
                 GbkToUtf8(options.directory).c_str());
    return 1;
  }
  StderrNotifier notifier;
  SettingsStore store(notifier);
  Text configPath = options.directory + ConfigFileName();
  if (!store.OpenStore(configPath, kFileOnDisk)) {
    std::fprintf(stderr, "plexaro-cli: cannot open '%s' for writing (in use, or no permission)\n",
                 GbkToUtf8(configPath).c_str());
    return 1;
  }
  MonitorConfigList configs;
  TreeModel tree;
  ResultListModel list;
  bool beepSilenced = false;
  LoadMonitorConfigs(store, configs, tree, beepSilenced);
  SilentBeeper beeper;
  ResultRefresher refresher(store, configs, list, tree, beeper);
  CliHost host(options, store, configs, refresher, beepSilenced);

  MonitorEnvironment environment;
  environment.configs = &configs;
  environment.host = &host;
  environment.makeClient = WebSearchClientFactory();
  environment.hosts = ReadSearchHosts(store);
  environment.runDirectory = options.directory;
  MonitorControl control(environment);
  SetThreadPumpHook([&host] { host.executor.Drain(); });

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  control.OnStartButton();
  size_t workers = CountWorkers(configs);
  bool stopping = false;
  while (control.Poll()) {
    host.executor.Drain();
    bool done = interrupted || host.CyclesDone(options.cycles, workers);
    if (done && !stopping) {
      stopping = true;
      control.OnStartButton();
    }
    // Hand-overs wake the loop at once; otherwise a few looks a second at the signal
    // flag and the run's end keep an idle run nearly free.
    host.executor.WaitForTask(std::chrono::milliseconds(50));
  }
  SetThreadPumpHook(nullptr);
  return 0;
}

}  // namespace

int RunMonitorCommand(const Arguments& arguments) {
  MonitorOptions options;
  if (int status = ParseMonitorOptions(arguments, options)) return status;
  return Monitor(options);
}

}  // namespace plexaro
