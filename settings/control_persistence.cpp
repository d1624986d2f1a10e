#include "settings/control_persistence.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <optional>
#include <string>

#include "settings/list_bytes.h"
#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

Text KeyOf(const PersistedControl& control, const char* suffixUtf8) {
  return control.Name() + gbk(suffixUtf8);
}

// A control without a name (or whose widget is gone) has no key to keep its values under.
bool IsUnnamed(const PersistedControl& control) {
  return control.Name().empty();
}

bool IsItemIndex(const PersistedControl& control, int index) {
  return index >= 0 && index < control.ItemCount();
}

// A current item may also be -1, no current item.
bool IsCurrentItemIndex(const PersistedControl& control, int index) {
  return index == -1 || IsItemIndex(control, index);
}

// The index a piece of a stored index list names; nothing for a piece without digits,
// so an empty piece never stands for item 0.
std::optional<int> ParseIndex(std::string_view piece) {
  piece = TrimBlanks(piece);
  int value = 0;
  auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
  if (error != std::errc() || end == piece.data()) return std::nullopt;
  return value;
}

template <typename IsMarked>
Text MarkedIndexes(const PersistedControl& control, IsMarked isMarked) {
  Text list;
  for (int i = 0; i < control.ItemCount(); ++i) {
    PumpEvents();
    if (i >= control.ItemCount()) break;  // a handler shortened the list meanwhile
    if (!isMarked(i)) continue;
    if (!list.empty()) list.push_back(',');
    list += std::to_string(i);
  }
  return list;
}

template <typename Mark>
void MarkIndexes(PersistedControl& control, std::string_view list, Mark mark) {
  for (const Text& piece : SplitText(list, ",")) {
    PumpEvents();
    std::optional<int> index = ParseIndex(piece);
    if (index && IsItemIndex(control, *index)) mark(*index);
  }
}

Text TickedIndexes(const PersistedControl& list) {
  return MarkedIndexes(list, [&](int i) { return list.IsItemTicked(i); });
}

Text SelectedIndexes(const PersistedControl& list) {
  return MarkedIndexes(list, [&](int i) { return list.IsItemSelected(i); });
}

// The stored items under `key`, or nothing when none (or only damaged ones) are stored.
std::optional<std::vector<Text>> ReadItems(SettingsStore& store, std::string_view key) {
  return DecodeItemList(store.ReadBytes(key));
}

// Sets the stored items, or the current ones again when none are stored, which clears
// the marks as a stored list would, so the marks restored next are exactly the stored ones.
void RestoreItemsUnder(SettingsStore& store, PersistedControl& list, std::string_view key) {
  std::optional<std::vector<Text>> items = ReadItems(store, key);
  list.SetItems(items ? *items : list.Items());
}

void RestoreCurrentItem(SettingsStore& store, PersistedControl& control, std::string_view key,
                        int defaultIndex) {
  int index = TruncateToInt(store.ReadNumber(key, defaultIndex), defaultIndex);
  if (IsCurrentItemIndex(control, index)) control.SetCurrentItem(index);
}

void RestoreComboIndex(SettingsStore& store, PersistedControl& combo, int defaultIndex) {
  RestoreCurrentItem(store, combo, combo.Name(), defaultIndex);
}

void RestoreComboTextOr(SettingsStore& store, PersistedControl& combo,
                        std::string_view defaultText) {
  combo.SetText(store.ReadText(KeyOf(combo, ".内容"), defaultText));
}

bool SaveTextValue(SettingsStore& store, std::string_view key, std::string_view value,
                   bool byteMode) {
  return byteMode ? store.WriteBytes(key, value) : store.WriteText(key, value);
}

Text RestoreTextValue(SettingsStore& store, std::string_view key, std::string_view current,
                      bool byteMode) {
  return byteMode ? store.ReadBytes(key, current) : store.ReadText(key, current);
}

bool SaveChecked(SettingsStore& store, std::string_view key, const PersistedControl& control) {
  if (key.empty()) return false;
  return store.WriteBool(key, control.IsChecked());
}

bool RestoreChecked(SettingsStore& store, std::string_view key, PersistedControl& control) {
  if (key.empty()) return control.IsChecked();
  control.SetChecked(store.ReadBool(key, control.IsChecked()));
  return control.IsChecked();
}

void SelectPlaceSection(SettingsStore& store, std::string_view prefix) {
  Text section = prefix.empty() ? gbk("主界面") : Text(prefix);
  section += gbk(".尺寸");
  store.SelectSection(section);
}

// No screen reaches this far; a stored value beyond it is damage, and passing it on
// would only overflow the toolkit's own geometry arithmetic.
constexpr int kFarthestPixel = 1000000;

int RestoreCoordinate(SettingsStore& store, const char* keyUtf8, int current) {
  int value = TruncateToInt(store.ReadNumber(gbk(keyUtf8), current), current);
  return value >= -kFarthestPixel && value <= kFarthestPixel ? value : current;
}

// A size below one pixel is damage too, not a place the window was ever in.
int RestoreSize(SettingsStore& store, const char* keyUtf8, int current) {
  int size = RestoreCoordinate(store, keyUtf8, current);
  return size >= 1 ? size : current;
}

void SaveCombo(SettingsStore& store, const PersistedControl& combo, bool withItems, bool withText) {
  SaveComboBox(store, combo);
  if (withItems) SaveComboItems(store, combo);
  if (withText) SaveComboText(store, combo);
}

// The items come back before the current item: setting the items clears it, so the
// other order would lose every restored index whenever the items are restored too.
void RestoreCombo(SettingsStore& store, PersistedControl& combo, bool withItems, bool withText) {
  int index = combo.CurrentItem();
  Text text = combo.GetText();
  if (withItems) RestoreComboItems(store, combo);
  RestoreComboIndex(store, combo, index);
  if (withText) RestoreComboTextOr(store, combo, text);
}

struct PersistOptions {
  bool restore = false;
  bool byteMode = false;
  bool withComboItems = false;
  bool withComboText = false;
};

// One control of PersistControls, by the kind its name announced.
void PersistOne(SettingsStore& store, PersistedControl& control, ControlKind kind,
                const PersistOptions& options) {
  const bool restore = options.restore;
  switch (kind) {
    case ControlKind::kButton:
      restore ? RestoreButton(store, control, options.byteMode)
              : void(SaveButton(store, control, options.byteMode));
      break;
    case ControlKind::kEditBox:
      restore ? RestoreEditBox(store, control, options.byteMode)
              : void(SaveEditBox(store, control, options.byteMode));
      break;
    case ControlKind::kCheckBox:
      restore ? void(RestoreCheckBox(store, control)) : void(SaveCheckBox(store, control));
      break;
    case ControlKind::kRadioButton:
      restore ? void(RestoreRadioButton(store, control)) : void(SaveRadioButton(store, control));
      break;
    case ControlKind::kComboBox:
      restore ? RestoreCombo(store, control, options.withComboItems, options.withComboText)
              : SaveCombo(store, control, options.withComboItems, options.withComboText);
      break;
    case ControlKind::kListBox:
      restore ? RestoreListBox(store, control, true) : SaveListBox(store, control, true);
      break;
    case ControlKind::kCheckList:
      restore ? RestoreCheckList(store, control, true) : SaveCheckList(store, control, true);
      break;
    case ControlKind::kColorPicker:
      restore ? RestoreColorPicker(store, control) : void(SaveColorPicker(store, control));
      break;
    case ControlKind::kMenuItem:
    case ControlKind::kOther:
      break;
  }
}

bool IsExcluded(const Text& name, const std::vector<Text>& excludedNames) {
  return std::find(excludedNames.begin(), excludedNames.end(), name) != excludedNames.end();
}

// The control's kind when PersistControls handles it, else nothing.
std::optional<ControlKind> PersistedKind(const PersistedControl& control,
                                         const std::vector<Text>& excludedNames) {
  Text name = control.Name();
  if (name.empty() || IsExcluded(name, excludedNames)) return std::nullopt;
  ControlKind kind = KindAnnouncedBy(name);
  // A control of another kind than its name announces has none of the values the
  // announced kind's operations would read or set.
  if (kind == ControlKind::kOther || control.Kind() != kind) return std::nullopt;
  if (control.TagText() == NeverSaveTag()) return std::nullopt;
  return kind;
}

}  // namespace

const Text& NeverSaveTag() {
  return gbk("禁止保存");
}

const Text& ByteModeTag() {
  return gbk("字节集方式");
}

ControlKind KindAnnouncedBy(std::string_view name) {
  // Tested in this order; "选择列表框" does not begin with "选择框", so the check-list
  // box is never taken for a check box.
  static const struct {
    const char* word;
    ControlKind kind;
  } kKindWords[] = {
      {"按钮", ControlKind::kButton},          {"编辑框", ControlKind::kEditBox},
      {"选择框", ControlKind::kCheckBox},      {"单选框", ControlKind::kRadioButton},
      {"组合框", ControlKind::kComboBox},      {"列表框", ControlKind::kListBox},
      {"选择列表框", ControlKind::kCheckList}, {"颜色选择器", ControlKind::kColorPicker},
  };
  for (const auto& entry : kKindWords) {
    if (name.starts_with(gbk(entry.word))) return entry.kind;
  }
  return ControlKind::kOther;
}

int TruncateToInt(double value, int fallback) {
  if (std::isnan(value)) return fallback;
  if (value <= double(INT_MIN)) return INT_MIN;
  if (value >= double(INT_MAX)) return INT_MAX;
  return int(std::trunc(value));
}

bool SaveMenuCheck(SettingsStore& store, const PersistedControl& item) {
  return SaveChecked(store, item.Caption(), item);
}

bool RestoreMenuCheck(SettingsStore& store, PersistedControl& item) {
  return RestoreChecked(store, item.Caption(), item);
}

bool SaveCheckBox(SettingsStore& store, const PersistedControl& box) {
  return SaveChecked(store, box.Name(), box);
}

bool RestoreCheckBox(SettingsStore& store, PersistedControl& box) {
  return RestoreChecked(store, box.Name(), box);
}

bool SaveRadioButton(SettingsStore& store, const PersistedControl& button) {
  return SaveChecked(store, button.Name(), button);
}

bool RestoreRadioButton(SettingsStore& store, PersistedControl& button) {
  return RestoreChecked(store, button.Name(), button);
}

bool SaveEditBox(SettingsStore& store, const PersistedControl& box, bool byteMode) {
  if (IsUnnamed(box)) return false;
  return SaveTextValue(store, box.Name(), box.GetText(), byteMode);
}

void RestoreEditBox(SettingsStore& store, PersistedControl& box, bool byteMode) {
  if (IsUnnamed(box)) return;
  box.SetText(RestoreTextValue(store, box.Name(), box.GetText(), byteMode));
}

bool SaveButton(SettingsStore& store, const PersistedControl& button, bool byteMode) {
  if (IsUnnamed(button)) return false;
  return SaveTextValue(store, KeyOf(button, ".标记"), button.TagText(), byteMode);
}

void RestoreButton(SettingsStore& store, PersistedControl& button, bool byteMode) {
  if (IsUnnamed(button)) return;
  button.SetTagText(RestoreTextValue(store, KeyOf(button, ".标记"), button.TagText(), byteMode));
}

void SaveCheckList(SettingsStore& store, const PersistedControl& list, bool withTicks) {
  if (IsUnnamed(list)) return;
  store.WriteBytes(list.Name(), EncodeItemList(list.Items()));
  if (!withTicks) return;
  store.WriteNumber(KeyOf(list, ".选中"), list.CurrentItem());
  store.WriteText(KeyOf(list, ".打勾"), TickedIndexes(list));
}

// The current item and the ticks are taken as defaults before the items are set, which
// clears both.
void RestoreCheckList(SettingsStore& store, PersistedControl& list, bool withTicks) {
  if (IsUnnamed(list)) return;
  Text ticks = withTicks ? TickedIndexes(list) : Text();
  int current = list.CurrentItem();
  RestoreItemsUnder(store, list, list.Name());
  if (!withTicks) return;
  RestoreCurrentItem(store, list, KeyOf(list, ".选中"), current);
  MarkIndexes(list, store.ReadText(KeyOf(list, ".打勾"), ticks),
              [&](int i) { list.SetItemTicked(i, true); });
}

void SaveListBox(SettingsStore& store, const PersistedControl& list, bool withSelection) {
  if (IsUnnamed(list)) return;
  store.WriteBytes(list.Name(), EncodeItemList(list.Items()));
  if (withSelection) store.WriteText(KeyOf(list, ".选中"), SelectedIndexes(list));
}

void RestoreListBox(SettingsStore& store, PersistedControl& list, bool withSelection) {
  if (IsUnnamed(list)) return;
  Text selection = withSelection ? SelectedIndexes(list) : Text();
  RestoreItemsUnder(store, list, list.Name());
  if (!withSelection) return;
  MarkIndexes(list, store.ReadText(KeyOf(list, ".选中"), selection),
              [&](int i) { list.SetItemSelected(i, true); });
}

bool SaveComboItems(SettingsStore& store, const PersistedControl& combo) {
  if (IsUnnamed(combo)) return false;
  return store.WriteBytes(KeyOf(combo, ".列表"), EncodeItemList(combo.Items()));
}

// Unlike the list boxes, a combo box has no marks to make exact, so items equal to the
// current ones are left alone with the current item and edit text they have.
void RestoreComboItems(SettingsStore& store, PersistedControl& combo) {
  if (IsUnnamed(combo)) return;
  std::optional<std::vector<Text>> items = ReadItems(store, KeyOf(combo, ".列表"));
  if (items && *items != combo.Items()) combo.SetItems(*items);
}

bool SaveComboBox(SettingsStore& store, const PersistedControl& combo) {
  if (IsUnnamed(combo)) return false;
  return store.WriteNumber(combo.Name(), combo.CurrentItem());
}

void RestoreComboBox(SettingsStore& store, PersistedControl& combo) {
  if (IsUnnamed(combo)) return;
  RestoreComboIndex(store, combo, combo.CurrentItem());
}

bool SaveComboText(SettingsStore& store, const PersistedControl& combo) {
  if (IsUnnamed(combo)) return false;
  return store.WriteText(KeyOf(combo, ".内容"), combo.GetText());
}

void RestoreComboText(SettingsStore& store, PersistedControl& combo) {
  if (IsUnnamed(combo)) return;
  RestoreComboTextOr(store, combo, combo.GetText());
}

bool SaveColorPicker(SettingsStore& store, const PersistedControl& picker) {
  if (IsUnnamed(picker)) return false;
  return store.WriteNumber(picker.Name(), picker.Color());
}

void RestoreColorPicker(SettingsStore& store, PersistedControl& picker) {
  if (IsUnnamed(picker)) return;
  int current = picker.Color();
  picker.SetColor(TruncateToInt(store.ReadNumber(picker.Name(), current), current));
}

void SaveWindowPlace(SettingsStore& store, const PersistedWindow& window, std::string_view prefix) {
  SelectPlaceSection(store, prefix);
  int state = window.State();
  store.WriteNumber(gbk("位置"), state);
  if (state > kCentred) return;
  WindowPlace place = window.Place();
  store.WriteNumber(gbk("左边"), place.left);
  store.WriteNumber(gbk("顶边"), place.top);
  store.WriteNumber(gbk("宽度"), place.width);
  store.WriteNumber(gbk("高度"), place.height);
}

void RestoreWindowPlace(SettingsStore& store, PersistedWindow& window, std::string_view prefix) {
  SelectPlaceSection(store, prefix);
  int current = window.State();
  int state = TruncateToInt(store.ReadNumber(gbk("位置"), current), current);
  if (state < kNormal || state > kMaximised) state = current;  // damaged: keep the state
  window.SetState(state);
  if (state > kCentred) return;
  WindowPlace place = window.Place();
  place.left = RestoreCoordinate(store, "左边", place.left);
  place.top = RestoreCoordinate(store, "顶边", place.top);
  place.width = RestoreSize(store, "宽度", place.width);
  place.height = RestoreSize(store, "高度", place.height);
  window.MovePlace(place);
}

void PersistControls(SettingsStore& store, PersistedWindow& window, bool restore,
                     std::string_view section, const std::vector<Text>& excludedNames,
                     bool withComboItems, bool withComboText) {
  if (!section.empty()) store.SelectSection(section);
  for (PersistedControl* control : window.Controls()) {
    PumpEvents();
    std::optional<ControlKind> kind = PersistedKind(*control, excludedNames);
    if (!kind) continue;
    PersistOptions options{restore, control->TagText() == ByteModeTag(), withComboItems,
                           withComboText};
    PersistOne(store, *control, *kind, options);
  }
}

}  // namespace plexaro
