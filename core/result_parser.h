// Cutting a search-result page into hits. One parser per worker thread.
#pragma once

#include <optional>

#include "core/hit_record.h"
#include "core/monitor_config.h"
#include "core/tag_object.h"
#include "web/regex.h"

namespace plexaro {

class ResultParser {
 public:
  ResultParser();

  // Sets up the two text cleaners again; called at the start of every polling cycle.
  void PrepareCycle();

  // Collects the result blocks ("vrwrap", "rb" and "wx-rb wx-rb3" divs inside the
  // "results" div) and returns their count; 0 for a page without results.
  long FindResultBlocks(std::string_view page);
  long ElementCount() const { return tags_.ElementCount(); }

  // The hit of block k (1-based) as a worker of `config` watching `keyword` sees it;
  // nothing when the block has no title, or lacks the keyword where the whole keyword
  // must appear in the title.
  std::optional<HitRecord> ParseHit(long k, const MonitorConfig& config, std::string_view keyword);

  // Tags removed, entities decoded, line breaks, tabs and blanks at line ends removed.
  Text CleanText(std::string_view text);

 private:
  Text TimeOf(const Text& block, int dataSource);

  TagObject tags_;
  TagObject finder_;  // single finds inside a block; never disturbs the collected blocks
  RegexObject tagStripper_;
  RegexObject blankStripper_;
};

// The SNUID value a page without results hands out ("SNUID=" up to ";"), or empty.
Text ExtractSnuid(std::string_view page);

}  // namespace plexaro
