// The monitor worker: polls the search engine for one keyword of one configuration
// until it must stop, handing every successful cycle's hits to the UI thread.
#pragma once

#include <memory>

#include "core/monitor_run.h"

namespace plexaro {

// The thread body of the worker of keyword `keyword` (1-based) of configuration
// `config` (1-based). Never ends on a network or parsing failure; returns once
// `run.ShouldStop` is seen.
void RunWorker(std::shared_ptr<MonitorRun> run, size_t config, size_t keyword);

// The base name of a keyword's refresh-list files: "[" + source name + "]" + keyword,
// plus " site:" and the site limit as entered, made fit for a file name.
Text RefreshListName(const MonitorConfig& config, std::string_view keyword);

}  // namespace plexaro
