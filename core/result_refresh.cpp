#include "core/result_refresh.h"

#include "core/refresh_list_files.h"
#include "core/seen_lists.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

const Text& SeenSection() {
  return gbk("更新列表");
}
const Text& AddressesSuffix() {
  return gbk("#网址");
}
const Text& TitlesSuffix() {
  return gbk("#标题");
}

}  // namespace

ResultRefresher::ResultRefresher(SettingsStore& store, const MonitorConfigList& configs,
                                 ResultListModel& list, TreeModel& tree, Beeper& beeper)
    : store_(store), configs_(configs), list_(list), tree_(tree), beeper_(beeper) {}

std::vector<HitRecord> ResultRefresher::RefreshResultList(const HandOverRequest& request) {
  tree_.treeEventsMuted = true;
  MonitorConfig config = configs_.Get(request.config);
  Text keyword = configs_.Keyword(request.config, request.keyword);
  Text key = SeenListKey(config, keyword);

  store_.SelectSection(SeenSection());
  SeenLists seen =
      SeenLists::FromStored(ReadSeen(key + AddressesSuffix()), ReadSeen(key + TitlesSuffix()));
  NewHits fresh = TakeNewHits(seen, request.hits ? *request.hits : std::vector<HitRecord>());
  for (size_t i = 0; i < fresh.hits.size(); ++i) {
    const HitRecord& hit = fresh.hits[i];
    list_.InsertRow(i, ResultItem{hit.time, hit.title, DataSourceName(config.dataSource),
                                  KeywordColumn(config, keyword), hit.address, kRowUnreadImage});
  }
  if (request.newLines) *request.newLines = {std::move(fresh.txtLines), std::move(fresh.htmlLines)};
  // Unchanged lists need no rewrite of their side files.
  if (!fresh.hits.empty()) {
    store_.SelectSection(SeenSection());
    WriteSeen(key + AddressesSuffix(), seen.StoredAddresses());
    WriteSeen(key + TitlesSuffix(), seen.StoredTitles());
  }
  list_.TrimIfOversized();
  SteadyClock::time_point now = now_();
  bool beepDue = !lastBeep_ || now - *lastBeep_ > std::chrono::milliseconds(1000);
  if (!fresh.hits.empty() && beepDue && !beepSilenced_) {
    beeper_.Beep();
    lastBeep_ = now;
  }
  list_.UpdateTitleCaption();
  if (!fresh.hits.empty() && !keepListStill_) list_.ScrollToTop();
  tree_.treeEventsMuted = false;
  return fresh.hits;
}

// A write still on its way to the disk is what the list holds now.
ByteSet ResultRefresher::ReadSeen(const Text& key) {
  if (std::optional<Text> path = store_.SideFilePath(key)) {
    if (std::optional<ByteSet> pending = seenWrites_.Pending(*path)) return *pending;
  }
  return store_.ReadBytes(key);
}

void ResultRefresher::WriteSeen(const Text& key, ByteSet bytes) {
  if (std::optional<Text> path = store_.SideFilePath(key))
    seenWrites_.Write(*path, std::move(bytes));
}

}  // namespace plexaro
