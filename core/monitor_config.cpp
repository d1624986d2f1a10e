#include "core/monitor_config.h"

#include "web/gbk.h"

namespace plexaro {

const Text& DataSourceName(int dataSource) {
  static const Text kNames[] = {gbk("泛网页"), gbk("新闻源"), gbk("论坛"), gbk("微信")};
  static const Text kNone;
  return (dataSource >= 0 && dataSource <= 3) ? kNames[dataSource] : kNone;
}

Text JoinLines(const std::vector<Text>& lines) {
  Text joined;
  for (const Text& line : lines) {
    if (!joined.empty()) joined += "\r\n";
    joined += line;
  }
  return joined;
}

Text KeywordsToText(const std::vector<Text>& keywords) {
  return ReplaceAll(ReplaceAll(JoinLines(keywords), "\r\n", "|"), "||", "|");
}

std::vector<Text> KeywordsFromText(std::string_view text) {
  return SplitText(ReplaceAll(text, "||", "|"), "|");
}

size_t MonitorConfigList::Append(const MonitorConfig& config) {
  size_t position;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    configs_.push_back(config);
    position = configs_.size();
  }
  Changed();
  return position;
}

bool MonitorConfigList::Replace(size_t position, const MonitorConfig& config) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    MonitorConfig* record = At(position);
    if (!record) return false;
    *record = config;
  }
  Changed();
  return true;
}

void MonitorConfigList::Clear() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    configs_.clear();
  }
  Changed();
}

size_t MonitorConfigList::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return configs_.size();
}

MonitorConfig MonitorConfigList::Get(size_t position) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const MonitorConfig* record = At(position);
  return record ? *record : MonitorConfig();
}

bool MonitorConfigList::IsEnabled(size_t position) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const MonitorConfig* record = At(position);
  return record && record->enabled;
}

bool MonitorConfigList::IsDeleted(size_t position) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const MonitorConfig* record = At(position);
  return record && record->deleted;
}

void MonitorConfigList::SetEnabled(size_t position, bool enabled) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (MonitorConfig* record = At(position)) record->enabled = enabled;
  }
  Changed();
}

void MonitorConfigList::MarkDeleted(size_t position) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (MonitorConfig* record = At(position)) record->deleted = true;
  }
  Changed();
}

Text MonitorConfigList::Keyword(size_t position, size_t k) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const MonitorConfig* record = At(position);
  if (!record || k < 1 || k > record->keywords.size()) return Text();
  return record->keywords[k - 1];
}

void MonitorConfigList::ClearKeyword(size_t position, size_t k) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    MonitorConfig* record = At(position);
    if (record && k >= 1 && k <= record->keywords.size()) record->keywords[k - 1].clear();
  }
  Changed();
}

void MonitorConfigList::SetChangeListener(std::function<void()> listener) {
  listener_ = std::move(listener);
}

void MonitorConfigList::Changed() {
  if (listener_) listener_();
}

const MonitorConfig* MonitorConfigList::At(size_t position) const {
  return (position >= 1 && position <= configs_.size()) ? &configs_[position - 1] : nullptr;
}

MonitorConfig* MonitorConfigList::At(size_t position) {
  return (position >= 1 && position <= configs_.size()) ? &configs_[position - 1] : nullptr;
}

}  // namespace plexaro
