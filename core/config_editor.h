// The configuration editor's rules: the editor fields as plain values, how they turn
// into a configuration and back, and what the editor's buttons and the tree's events do
// to the configuration tree and list. The window only copies fields to and from its
// widgets and forwards clicks. GUI thread only.
#pragma once

#include <cstddef>
#include <functional>

#include "core/config_tree.h"

namespace plexaro {

// The fields of the group box "配置参数", as the window shows them.
struct EditorFields {
  int source = kNews;          // data source of the selected radio button; -1: none selected
  Text siteLimit;              // "编辑框仅限此网站"
  Text keywords;               // "编辑框监测关键词"
  Text resultCount;            // "编辑框监测返回数"
  Text refreshSeconds;         // "编辑框监测刷新秒"
  bool keywordInTitle = true;  // "选择框关键词出现在标题"
  bool completeMatch = false;  // "选择框完全出现"
  // Enabled states that the rules set.
  bool siteEnabled = true;           // the site box and its paste button
  bool completeMatchEnabled = true;  // "选择框完全出现"
  // The marked part of the keyword box, in characters (0-based start).
  long keywordSelectionStart = 0;
  long keywordSelectionLength = 0;

  bool operator==(const EditorFields&) const = default;
};

// The fields as the window first shows them.
EditorFields InitialEditorFields();

// The leading decimal number of a text (blanks and a sign before it allowed); 0 when
// there is none. Values beyond the int range saturate.
int LeadingInteger(std::string_view text);

// A configuration from the fields; `enabled` is `enabledValue` when `useIt`, else true.
// Result counts outside 1..100 and refresh seconds below 1 become 20.
MonitorConfig ReadEditor(const EditorFields& fields, bool enabledValue = false, bool useIt = false);
// Fills the fields from a configuration (keywords in their stored form) and applies
// both enabling rules.
void ShowInEditor(EditorFields& fields, const MonitorConfig& config);
// The site box is off for forum and WeChat searches; its text stays.
void ApplySourceRule(EditorFields& fields);
// "完全出现" only makes sense with the keyword in the title; its tick stays.
void ApplyTitleRule(EditorFields& fields);

// OK/Cancel questions and plain messages, all under the caption "信息：".
class Questioner {
 public:
  virtual ~Questioner() = default;
  // True for OK.
  virtual bool Ask(const Text& question) = 0;
  virtual void Tell(const Text& message) = 0;
};

// What the editor needs of monitoring control.
struct MonitoringHooks {
  std::function<bool()> isActive;           // the start button's caption is not "开始监测"
  std::function<void(size_t)> startConfig;  // starts one configuration's workers
  std::function<void(bool)> setAllEnabled;  // ticks (false) or unticks (true) all
};

// The editor's event handlers over the tree and the configuration list it shares with
// the rest of the window. The hooks and the questioner must outlive it.
class ConfigEditor {
 public:
  ConfigEditor(TreeModel& tree, MonitorConfigList& configs, Questioner& questioner,
               MonitoringHooks hooks);

  EditorFields fields = InitialEditorFields();

  // The tree's selection changed. True when the editor now shows a configuration (the
  // window then turns to the editor's page).
  bool OnSelectionChanged();
  // The user changed an item's tick to `newState`; the tree holds the state the item
  // ends with (set back on Cancel, or to the dimmed tick for non-configuration items).
  void OnCheckChanged(int item, int newState);
  void OnAdd();
  void OnModify();
  void OnDelete();
  void OnSetAllEnabled(bool disable);
  // A radio button of data source `source` was clicked.
  void OnSourceClicked(int source);
  void OnTitleClicked(bool checked);
  void OnPasteSite(const Text& clipboard);
  void OnPasteKeywords(const Text& clipboard);

 private:
  bool MonitoringRuns() const;
  // Runs the selection handler when an operation moved the selection, as a tree view
  // reports a changed selection.
  void SelectionMovedFrom(int before);

  TreeModel& tree_;
  MonitorConfigList& configs_;
  Questioner& questioner_;
  MonitoringHooks hooks_;
};

}  // namespace plexaro
