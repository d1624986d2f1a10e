#include "core/config_editor.h"

#include <algorithm>
#include <climits>

#include "web/address.h"
#include "web/gbk.h"
#include "web/text_helpers.h"

namespace plexaro {
namespace {
constexpr int kDefaultNumber = 20;
constexpr int kMaxResultCount = 100;
}  // namespace

EditorFields InitialEditorFields() {
  EditorFields fields;
  fields.keywords = gbk("美国|中国|外星人|外星文明|人工智能");
  fields.resultCount = "20";
  fields.refreshSeconds = "20";
  return fields;
}

int LeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) value = INT_MAX + 1LL;  // saturate; any such value is out of range
  }
  if (negative) value = -value;
  return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

MonitorConfig ReadEditor(const EditorFields& fields, bool enabledValue, bool useIt) {
  MonitorConfig config;
  config.dataSource =
      (fields.source >= kGeneralWeb && fields.source <= kWeChat) ? fields.source : kGeneralWeb;
  config.siteLimit = fields.siteLimit;
  config.keywords = SplitText(fields.keywords, "|");
  config.keywordInTitle = fields.keywordInTitle;
  config.completeMatch = fields.completeMatch;
  int count = LeadingInteger(fields.resultCount);
  config.resultCount = (count <= 0 || count > kMaxResultCount) ? kDefaultNumber : count;
  int seconds = LeadingInteger(fields.refreshSeconds);
  config.refreshSeconds = seconds <= 0 ? kDefaultNumber : seconds;
  config.enabled = useIt ? enabledValue : true;
  return config;
}

void ShowInEditor(EditorFields& fields, const MonitorConfig& config) {
  fields.source = config.dataSource;
  fields.siteLimit = config.siteLimit;
  fields.keywords = KeywordsToText(config.keywords);
  fields.keywordInTitle = config.keywordInTitle;
  fields.completeMatch = config.completeMatch;
  fields.resultCount = std::to_string(config.resultCount);
  fields.refreshSeconds = std::to_string(config.refreshSeconds);
  fields.keywordSelectionStart = fields.keywordSelectionLength = 0;
  ApplySourceRule(fields);
  ApplyTitleRule(fields);
}

void ApplySourceRule(EditorFields& fields) {
  fields.siteEnabled = fields.source != kForum && fields.source != kWeChat;
}

void ApplyTitleRule(EditorFields& fields) {
  fields.completeMatchEnabled = fields.keywordInTitle;
}

ConfigEditor::ConfigEditor(TreeModel& tree, MonitorConfigList& configs, Questioner& questioner,
                           MonitoringHooks hooks)
    : tree_(tree), configs_(configs), questioner_(questioner), hooks_(std::move(hooks)) {}

bool ConfigEditor::MonitoringRuns() const {
  return hooks_.isActive && hooks_.isActive();
}

bool ConfigEditor::OnSelectionChanged() {
  if (tree_.treeEventsMuted) return false;
  int node = tree_.Selected();
  if (!tree_.IsValid(node)) return false;
  bool keywordSelected = tree_.Item(node).image == kKeywordImage;
  Text keyword;
  if (keywordSelected) {
    keyword = tree_.Item(node).text;
    node = tree_.Parent(node);
  }
  if (!tree_.IsValid(node) || tree_.Item(node).image != kConfigImage) return false;
  ShowInEditor(fields, configs_.Get(size_t(tree_.Item(node).value)));
  if (keywordSelected) {
    // The keyword's first occurrence as a whole "|"-separated piece.
    long found = FindText("|" + fields.keywords + "|", "|" + keyword + "|");
    fields.keywordSelectionStart = found > 0 ? CharCount(Mid(fields.keywords, 1, found - 1)) : 0;
    fields.keywordSelectionLength = CharCount(keyword);
  }
  return true;
}

void ConfigEditor::OnCheckChanged(int item, int newState) {
  if (!tree_.IsValid(item)) return;
  if (tree_.Item(item).image != kConfigImage) {
    tree_.MutableItem(item).checkState = kCheckedDimmed;
    return;
  }
  bool ticked = newState == kChecked;
  tree_.MutableItem(item).checkState = ticked ? kChecked : kUnchecked;
  bool running = MonitoringRuns();
  if (running) {
    const Text& question =
        ticked ? gbk("当前处于监测运行状态！打勾后将会自动启动该配置的监测，确定继续？")
               : gbk("当前处于监测运行状态！取消打勾将导致自动停止该配置的监测，确定继续？");
    bool ok = questioner_.Ask(question);
    if (!tree_.IsValid(item)) return;
    if (!ok) {
      tree_.MutableItem(item).checkState = ticked ? kUnchecked : kChecked;
      return;
    }
  }
  size_t position = size_t(tree_.Item(item).value);
  configs_.SetEnabled(position, ticked);
  if (running && ticked && hooks_.startConfig) hooks_.startConfig(position);
}

void ConfigEditor::OnAdd() {
  int before = tree_.Selected();
  PutConfigInTree(tree_, configs_, ReadEditor(fields), 0, false, false);
  SelectionMovedFrom(before);
  if (MonitoringRuns() && hooks_.startConfig) hooks_.startConfig(configs_.Count());
}

void ConfigEditor::OnModify() {
  int node = tree_.Selected();
  if (tree_.IsValid(node) && tree_.Item(node).image == kKeywordImage) node = tree_.Parent(node);
  bool valid = tree_.IsValid(node);
  if (MonitoringRuns() && valid && tree_.Item(node).checkState == kChecked) {
    questioner_.Tell(gbk("当前监测配置处于运行状态，不允许修改！"));
    return;
  }
  if (!valid || tree_.Item(node).image != kConfigImage) {
    questioner_.Tell(gbk("请在监测列表中选定一个监测配置再修改"));
    return;
  }
  int before = tree_.Selected();
  MonitorConfig config = ReadEditor(fields, tree_.Item(node).checkState == kChecked, true);
  PutConfigInTree(tree_, configs_, config, node, true, false);
  SelectionMovedFrom(before);
}

void ConfigEditor::OnDelete() {
  int selected = tree_.Selected();
  int image = tree_.IsValid(selected) ? tree_.Item(selected).image : -1;
  if (image != kConfigImage && image != kKeywordImage) {
    questioner_.Tell(gbk("请在监测列表中选定一个监测配置或监测配置下的单个关键词再删除"));
    return;
  }
  const TreeItem item = tree_.Item(selected);
  Text question = image == kConfigImage ? gbk("确定要删除当前选定的监测配置吗？") + "\r\n\r\n" +
                                              gbk("配置名称：") + item.text
                                        : gbk("确定要删除当前选定的监测配置下的单个关键词吗？") +
                                              "\r\n\r\n" + gbk("关键词名称：") + item.text;
  if (!questioner_.Ask(question)) return;
  // The question may have let other events run; act only on the item that was asked about.
  if (!tree_.IsValid(selected) || tree_.Item(selected).text != item.text) return;
  if (image == kConfigImage) {
    configs_.MarkDeleted(size_t(item.value));
  } else {
    configs_.ClearKeyword(size_t(tree_.Item(tree_.Parent(selected)).value), size_t(item.value));
  }
  tree_.DeleteItem(selected);
  tree_.Select(selected);
  OnSelectionChanged();
}

void ConfigEditor::OnSetAllEnabled(bool disable) {
  if (hooks_.setAllEnabled) hooks_.setAllEnabled(disable);
}

void ConfigEditor::OnSourceClicked(int source) {
  fields.source = source;
  ApplySourceRule(fields);
}

void ConfigEditor::OnTitleClicked(bool checked) {
  fields.keywordInTitle = checked;
  ApplyTitleRule(fields);
}

void ConfigEditor::OnPasteSite(const Text& clipboard) {
  fields.siteLimit = HostOfAddress(clipboard, false, false);
}

void ConfigEditor::OnPasteKeywords(const Text& clipboard) {
  fields.keywords = clipboard;
}

void ConfigEditor::SelectionMovedFrom(int before) {
  if (tree_.Selected() != before) OnSelectionChanged();
}

}  // namespace plexaro
