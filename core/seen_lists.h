// Which hits a keyword has seen: addresses and titles, newest first, kept across runs.
#pragma once

#include <deque>
#include <vector>

#include "core/hit_record.h"
#include "core/monitor_config.h"

namespace plexaro {

constexpr size_t kSeenListLimit = 1000;

// K: the checksum of data source, keyword, site limit and title option, so changing
// any of these starts a fresh seen list.
Text SeenListKey(const MonitorConfig& config, std::string_view keyword);

// The keyword column of the result list: the keyword, plus " site:" and the site limit.
Text KeywordColumn(const MonitorConfig& config, std::string_view keyword);

struct SeenLists {
  std::deque<Text> addresses;
  std::deque<Text> titles;  // same length as addresses

  // From the two stored CR LF-joined texts; the titles are cut or padded to match.
  static SeenLists FromStored(std::string_view addresses, std::string_view titles);
  Text StoredAddresses() const;
  Text StoredTitles() const;
};

struct NewHits {
  std::vector<HitRecord> hits;  // in result order
  Text txtLines;                // for the ".txt" refresh list, newest first
  Text htmlLines;               // for the ".html" refresh list, newest first
};

// Takes the hits not seen before, recording each at the front of the lists; a hit is
// a repeat when its address or its title matches any entry, including those recorded
// earlier in this call (comparing only with the entries that were there before would
// let an old hit slip back in as new once new ones pushed it down). Cuts the lists to
// 1000 entries afterwards.
NewHits TakeNewHits(SeenLists& seen, const std::vector<HitRecord>& latest);

// One line of the ".html" refresh list. The title and time are escaped so a page's
// title cannot inject markup into the file.
Text RefreshHtmlLine(const HitRecord& hit);

}  // namespace plexaro
