// Saving the states of a window's controls into the store and putting them back, so a
// window looks the same after a restart.
//
// The core sees windows and controls only through the toolkit-neutral interfaces below;
// the desktop shell adapts its widgets to them (shell/widget_persistence.h). Each
// operation keys its values by the control's name in the store's current section:
//
//   check box, radio button    name                  boolean
//   menu item                  its caption           boolean
//   edit box                   name                  text, or side-file bytes in byte mode
//   button                     name + ".标记"         its tag text, the same two ways
//   combo box                  name                  number: current item
//                              name + ".列表"         side file: items
//                              name + ".内容"         text: edit text
//   list box                   name                  side file: items
//                              name + ".选中"         text: selected indexes, "0,2"
//   check-list box             name                  side file: items
//                              name + ".选中"         number: current item
//                              name + ".打勾"         text: ticked indexes
//   colour picker              name                  number: colour
//   window place               section <prefix or "主界面">.尺寸: 位置 (state), 左边,
//                              顶边, 宽度, 高度
//
// A restore reads with the control's current state as the default, so a value never
// saved leaves the control as it is. Numbers come back truncated to integers (a stored
// NaN keeps the current value, huge values are clamped); indexes outside the item list
// are ignored. Item lists use the byte form of settings/list_bytes.h; a missing or
// damaged side file restores the current items. A control without a name (a menu item
// without a caption) has no key: it is neither saved (false) nor restored.
//
// Threading: the store's thread (the GUI thread). The operations pump events
// (PumpEvents) once per control or item, so adapters must stay safe to call when their
// widget went away meanwhile.
#pragma once

#include <string_view>
#include <vector>

#include "settings/settings_store.h"
#include "web/text.h"

namespace plexaro {

enum class ControlKind {
  kOther,  // a control none of the operations handles
  kButton,
  kEditBox,
  kCheckBox,
  kRadioButton,
  kComboBox,
  kListBox,
  kCheckList,
  kColorPicker,
  kMenuItem,
};

// One control as the persistence operations see it. Every accessor has a harmless
// default, so an adapter implements only what its kind has. Item indexes are 0-based;
// setters given an index outside the items do nothing.
class PersistedControl {
 public:
  virtual ~PersistedControl() = default;

  virtual ControlKind Kind() const = 0;
  // The design name ("选择框禁止提示音"), GBK; empty when it has none or is gone.
  virtual Text Name() const = 0;
  // A menu item's caption, which keys its value.
  virtual Text Caption() const { return {}; }
  virtual Text TagText() const { return {}; }
  virtual void SetTagText(std::string_view) {}

  virtual bool IsChecked() const { return false; }
  virtual void SetChecked(bool) {}
  // An edit box's content, a combo box's edit text; line breaks as CR LF.
  virtual Text GetText() const { return {}; }
  virtual void SetText(std::string_view) {}

  // Setting the items clears the current item, the ticks and the selection.
  virtual std::vector<Text> Items() const { return {}; }
  virtual void SetItems(const std::vector<Text>&) {}
  virtual int ItemCount() const { return 0; }
  virtual int CurrentItem() const { return -1; }  // -1: none
  virtual void SetCurrentItem(int) {}             // -1 clears it
  virtual bool IsItemTicked(int) const { return false; }
  virtual void SetItemTicked(int, bool) {}
  virtual bool IsItemSelected(int) const { return false; }
  virtual void SetItemSelected(int, bool) {}

  // A colour picker's colour as 0x00BBGGRR.
  virtual int Color() const { return 0; }
  virtual void SetColor(int) {}
};

// A window's left, top, width and height in pixels.
struct WindowPlace {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};

// Window states as stored under "位置".
enum WindowState : int { kNormal = 0, kCentred = 1, kMinimised = 2, kMaximised = 3 };

// A window: its controls in the window's own order, its state and its normal place.
class PersistedWindow {
 public:
  virtual ~PersistedWindow() = default;
  // Valid as long as the window object; the same list on every call.
  virtual std::vector<PersistedControl*> Controls() = 0;
  virtual int State() const = 0;  // kNormal, kMinimised or kMaximised
  // kCentred shows the window normal, centred on its screen.
  virtual void SetState(int state) = 0;
  virtual WindowPlace Place() const = 0;
  virtual void MovePlace(const WindowPlace& place) = 0;
};

// The tag texts PersistControls gives a meaning.
const Text& NeverSaveTag();  // "禁止保存"
const Text& ByteModeTag();   // "字节集方式"

// The kind a name announces by its leading kind word, kOther for none.
ControlKind KindAnnouncedBy(std::string_view name);

// Truncates a restored number to an int; NaN gives `fallback`, values beyond the int
// range the nearest int.
int TruncateToInt(double value, int fallback);

// --- One control each: saves return the store write's result -------------------------

bool SaveMenuCheck(SettingsStore& store, const PersistedControl& item);
bool RestoreMenuCheck(SettingsStore& store, PersistedControl& item);  // checked afterwards
bool SaveCheckBox(SettingsStore& store, const PersistedControl& box);
bool RestoreCheckBox(SettingsStore& store, PersistedControl& box);  // checked afterwards
bool SaveRadioButton(SettingsStore& store, const PersistedControl& button);
bool RestoreRadioButton(SettingsStore& store, PersistedControl& button);  // checked afterwards

// Byte mode keeps the value in a side file instead of the configuration file.
bool SaveEditBox(SettingsStore& store, const PersistedControl& box, bool byteMode = false);
void RestoreEditBox(SettingsStore& store, PersistedControl& box, bool byteMode = false);
bool SaveButton(SettingsStore& store, const PersistedControl& button, bool byteMode = false);
void RestoreButton(SettingsStore& store, PersistedControl& button, bool byteMode = false);

void SaveCheckList(SettingsStore& store, const PersistedControl& list, bool withTicks = true);
void RestoreCheckList(SettingsStore& store, PersistedControl& list, bool withTicks = true);
void SaveListBox(SettingsStore& store, const PersistedControl& list, bool withSelection = true);
void RestoreListBox(SettingsStore& store, PersistedControl& list, bool withSelection = true);

bool SaveComboItems(SettingsStore& store, const PersistedControl& combo);
void RestoreComboItems(SettingsStore& store, PersistedControl& combo);
bool SaveComboBox(SettingsStore& store, const PersistedControl& combo);
void RestoreComboBox(SettingsStore& store, PersistedControl& combo);
bool SaveComboText(SettingsStore& store, const PersistedControl& combo);
void RestoreComboText(SettingsStore& store, PersistedControl& combo);

bool SaveColorPicker(SettingsStore& store, const PersistedControl& picker);
void RestoreColorPicker(SettingsStore& store, PersistedControl& picker);

// Select the section `prefix` (or "主界面" when empty) + ".尺寸" and leave it current. A
// minimised or maximised window stores only its state, keeping the last normal place.
void SaveWindowPlace(SettingsStore& store, const PersistedWindow& window,
                     std::string_view prefix = {});
void RestoreWindowPlace(SettingsStore& store, PersistedWindow& window,
                        std::string_view prefix = {});

// Saves or restores every control of the window, in window order, choosing the
// operation by the kind word its name begins with; selects `section` first when it is
// not empty. Skipped: controls without a name, with an excluded name, with no kind word,
// tagged "禁止保存", or whose real kind is not the one the name announces. Buttons and
// edit boxes tagged "字节集方式" use byte mode. Combo boxes bring their items and edit
// text only when asked.
void PersistControls(SettingsStore& store, PersistedWindow& window, bool restore,
                     std::string_view section = {}, const std::vector<Text>& excludedNames = {},
                     bool withComboItems = false, bool withComboText = false);

}  // namespace plexaro
