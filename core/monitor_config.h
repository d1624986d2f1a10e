// Monitoring configurations: what to watch, and the list that holds them while the
// program runs.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "web/text.h"

namespace plexaro {

// The search engine's data sources, as stored in the configuration file.
enum DataSource : int {
  kGeneralWeb = 0,  // "泛网页"
  kNews = 1,        // "新闻源"
  kForum = 2,       // "论坛"
  kWeChat = 3,      // "微信"
};

// The display name of a data source; empty for a code outside 0..3.
const Text& DataSourceName(int dataSource);

// One monitoring configuration. Keyword entries may be empty (deleted keywords keep
// their index so that tree items and workers can refer to keywords by position).
struct MonitorConfig {
  int dataSource = 0;
  Text siteLimit;
  std::vector<Text> keywords{Text()};
  bool keywordInTitle = false;
  bool completeMatch = false;
  int resultCount = 0;
  int refreshSeconds = 0;
  bool enabled = false;
  bool deleted = false;
};

// Joins with CR LF, putting no separator before an element while the text built so far
// is empty (leading empty elements vanish, later ones leave empty lines).
Text JoinLines(const std::vector<Text>& lines);
// The stored form of a keyword list: "|"-separated, "||" collapsed once.
Text KeywordsToText(const std::vector<Text>& keywords);
// The keyword list of a stored text: "||" collapsed once, then split at "|".
std::vector<Text> KeywordsFromText(std::string_view text);

// `monitorConfigs`: every configuration of the run, known by its 1-based position, which
// never shifts (deleting only marks a record). Thread-safe: the GUI thread edits records
// while workers poll their flags and keywords, so every access copies under a lock.
class MonitorConfigList {
 public:
  // Appends a copy; returns its 1-based position.
  size_t Append(const MonitorConfig& config);
  // Replaces the record at a 1-based position; false when there is none.
  bool Replace(size_t position, const MonitorConfig& config);
  void Clear();
  size_t Count() const;
  // A copy of the record; a default record when the position is out of range.
  MonitorConfig Get(size_t position) const;

  bool IsEnabled(size_t position) const;
  bool IsDeleted(size_t position) const;
  void SetEnabled(size_t position, bool enabled);
  void MarkDeleted(size_t position);
  // Keyword k (1-based) of a configuration; empty when out of range.
  Text Keyword(size_t position, size_t k) const;
  void ClearKeyword(size_t position, size_t k);

  // Called (outside the lock, on the changing thread) after every change, so sleeping
  // workers can look again at once.
  void SetChangeListener(std::function<void()> listener);

 private:
  void Changed();

  const MonitorConfig* At(size_t position) const;
  MonitorConfig* At(size_t position);

  mutable std::mutex mutex_;
  std::vector<MonitorConfig> configs_;
  std::function<void()> listener_;  // set and called on the UI thread
};

}  // namespace plexaro
