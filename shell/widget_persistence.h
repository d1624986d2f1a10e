// Qt widgets seen through the toolkit-neutral persistence view of
// settings/control_persistence.h, so PersistControls works on a real window.
//
// A control's name is its object name. Kinds by class:
//   any widget with a QColor property "color"   colour picker (0x00BBGGRR; -1 = no colour)
//   QPushButton                                 button
//   QLineEdit, QPlainTextEdit, QTextEdit        edit box (line breaks seen as CR LF)
//   QCheckBox, QRadioButton                     check box, radio button
//   QComboBox                                   combo box (current index, items, edit text)
//   QListWidget                                 check-list box when its property "checkList"
//                                               is true or, without that property, when an
//                                               item has a check state (ticks: Qt::Checked);
//                                               else list box (items and selection)
//   QAction (checkable)                         menu item, keyed by its caption
// Every widget's tag text is its dynamic property "tag". Widgets and actions are held by
// QPointer: after one is destroyed its view reads as empty and ignores every setter.
// GUI thread only.
#pragma once

#include <QAction>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "settings/control_persistence.h"

namespace plexaro {

inline constexpr char kTagProperty[] = "tag";
inline constexpr char kColorProperty[] = "color";
inline constexpr char kCheckListProperty[] = "checkList";

// The view of one widget; a widget of none of the kinds above is a control of kind
// kOther, which no operation touches. Never null.
std::unique_ptr<PersistedControl> MakeWidgetControl(QWidget* widget);
// The view of a menu action.
std::unique_ptr<PersistedControl> MakeMenuItemControl(QAction* action);

// A top-level widget and its descendant widgets, taken when the view is made, in the
// window's own order: depth first, each parent's children in the order they joined it.
// Window states: 0 normal, 2 minimised, 3 maximised (full screen counts as maximised);
// setting 1 shows it normal, centred on its screen. The place is the frame's top-left
// corner and the inner size.
class WidgetWindow final : public PersistedWindow {
 public:
  explicit WidgetWindow(QWidget* window);

  std::vector<PersistedControl*> Controls() override;
  int State() const override;
  void SetState(int state) override;
  WindowPlace Place() const override;
  void MovePlace(const WindowPlace& place) override;

 private:
  void Centre();

  QPointer<QWidget> window_;
  std::vector<std::unique_ptr<PersistedControl>> controls_;
};

}  // namespace plexaro
