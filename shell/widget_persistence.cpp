#include "shell/widget_persistence.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTextEdit>

#include "shell/qt_text.h"

namespace plexaro {
namespace {

// Name and tag of any object, through a guarded pointer.
template <typename T>
class ObjectControl : public PersistedControl {
 public:
  ObjectControl(T* object, ControlKind kind) : object_(object), kind_(kind) {}

  ControlKind Kind() const override { return kind_; }
  Text Name() const override { return object_ ? ToText(object_->objectName()) : Text(); }
  Text TagText() const override {
    return object_ ? ToText(object_->property(kTagProperty).toString()) : Text();
  }
  void SetTagText(std::string_view tag) override {
    if (object_) object_->setProperty(kTagProperty, ToQString(Text(tag)));
  }

 protected:
  QPointer<T> object_;

 private:
  ControlKind kind_;
};

class ButtonControl final : public ObjectControl<QAbstractButton> {
 public:
  using ObjectControl::ObjectControl;
  bool IsChecked() const override { return object_ && object_->isChecked(); }
  void SetChecked(bool checked) override {
    if (object_) object_->setChecked(checked);
  }
};

class MenuItemControl final : public ObjectControl<QAction> {
 public:
  explicit MenuItemControl(QAction* action) : ObjectControl(action, ControlKind::kMenuItem) {}
  Text Caption() const override { return object_ ? ToText(object_->text()) : Text(); }
  bool IsChecked() const override { return object_ && object_->isChecked(); }
  void SetChecked(bool checked) override {
    if (object_) object_->setChecked(checked);
  }
};

// Qt ends lines with LF alone; the stored values, like the edit boxes this program's
// files were written from, use CR LF.
Text WithCrLf(const QString& text) {
  return ReplaceAll(ToText(text), "\n", "\r\n");
}
QString WithLf(std::string_view text) {
  return ToQString(ReplaceAll(text, "\r\n", "\n"));
}

class LineEditControl final : public ObjectControl<QLineEdit> {
 public:
  explicit LineEditControl(QLineEdit* edit) : ObjectControl(edit, ControlKind::kEditBox) {}
  Text GetText() const override { return object_ ? ToText(object_->text()) : Text(); }
  void SetText(std::string_view text) override {
    if (object_) object_->setText(ToQString(Text(text)));
  }
};

// QPlainTextEdit and QTextEdit share these two members without sharing a base.
template <typename Edit>
class TextEditControl final : public ObjectControl<Edit> {
 public:
  explicit TextEditControl(Edit* edit) : ObjectControl<Edit>(edit, ControlKind::kEditBox) {}
  Text GetText() const override {
    return this->object_ ? WithCrLf(this->object_->toPlainText()) : Text();
  }
  void SetText(std::string_view text) override {
    if (this->object_) this->object_->setPlainText(WithLf(text));
  }
};

QStringList ToQStrings(const std::vector<Text>& items) {
  QStringList out;
  out.reserve(qsizetype(items.size()));
  for (const Text& item : items) out << ToQString(item);
  return out;
}

class ComboControl final : public ObjectControl<QComboBox> {
 public:
  explicit ComboControl(QComboBox* combo) : ObjectControl(combo, ControlKind::kComboBox) {}

  Text GetText() const override { return object_ ? ToText(object_->currentText()) : Text(); }
  void SetText(std::string_view text) override {
    if (!object_) return;
    // A combo box without an edit field can only show one of its items.
    if (object_->isEditable()) {
      object_->setEditText(ToQString(Text(text)));
    } else {
      object_->setCurrentText(ToQString(Text(text)));
    }
  }
  std::vector<Text> Items() const override {
    std::vector<Text> items;
    for (int i = 0; i < ItemCount(); ++i) items.push_back(ToText(object_->itemText(i)));
    return items;
  }
  void SetItems(const std::vector<Text>& items) override {
    if (!object_) return;
    object_->clear();
    object_->addItems(ToQStrings(items));
    object_->setCurrentIndex(-1);
  }
  int ItemCount() const override { return object_ ? object_->count() : 0; }
  int CurrentItem() const override { return object_ ? object_->currentIndex() : -1; }
  void SetCurrentItem(int index) override {
    if (object_ && index >= -1 && index < ItemCount()) object_->setCurrentIndex(index);
  }
};

// Every item is user-checkable by default; only those given a check state show a box.
bool HasTickBox(const QListWidget& list) {
  for (int i = 0; i < list.count(); ++i) {
    if (list.item(i)->data(Qt::CheckStateRole).isValid()) return true;
  }
  return false;
}

class ListControl final : public ObjectControl<QListWidget> {
 public:
  explicit ListControl(QListWidget* list) : ObjectControl(list, ControlKind::kListBox) {}

  ControlKind Kind() const override {
    return IsCheckList() ? ControlKind::kCheckList : ControlKind::kListBox;
  }
  std::vector<Text> Items() const override {
    std::vector<Text> items;
    for (int i = 0; i < ItemCount(); ++i) items.push_back(ToText(object_->item(i)->text()));
    return items;
  }
  void SetItems(const std::vector<Text>& items) override {
    if (!object_) return;
    bool checkable = IsCheckList();
    object_->clear();
    for (const Text& text : items) {
      auto* item = new QListWidgetItem(ToQString(text), object_);
      if (!checkable) continue;
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Unchecked);
    }
  }
  int ItemCount() const override { return object_ ? object_->count() : 0; }
  int CurrentItem() const override { return object_ ? object_->currentRow() : -1; }
  void SetCurrentItem(int index) override {
    if (object_ && index >= -1 && index < ItemCount()) object_->setCurrentRow(index);
  }
  bool IsItemTicked(int i) const override {
    QListWidgetItem* item = ItemAt(i);
    return item && item->checkState() == Qt::Checked;
  }
  void SetItemTicked(int i, bool ticked) override {
    if (QListWidgetItem* item = ItemAt(i))
      item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
  }
  bool IsItemSelected(int i) const override {
    QListWidgetItem* item = ItemAt(i);
    return item && item->isSelected();
  }
  void SetItemSelected(int i, bool selected) override {
    if (QListWidgetItem* item = ItemAt(i)) item->setSelected(selected);
  }

 private:
  // The property settles it, so an empty check list (before its items are restored)
  // is still one; without it the items tell.
  bool IsCheckList() const {
    if (!object_) return false;
    QVariant declared = object_->property(kCheckListProperty);
    return declared.isValid() ? declared.toBool() : HasTickBox(*object_);
  }
  QListWidgetItem* ItemAt(int i) const {
    return object_ && i >= 0 && i < object_->count() ? object_->item(i) : nullptr;
  }
};

constexpr int kNoColor = -1;
constexpr int kLargestColor = 0xFFFFFF;

class ColorControl final : public ObjectControl<QWidget> {
 public:
  explicit ColorControl(QWidget* picker) : ObjectControl(picker, ControlKind::kColorPicker) {}

  int Color() const override {
    QColor color = object_ ? object_->property(kColorProperty).value<QColor>() : QColor();
    if (!color.isValid()) return kNoColor;
    return color.red() | (color.green() << 8) | (color.blue() << 16);
  }
  // Values that are no 0x00BBGGRR colour leave the picker as it is.
  void SetColor(int value) override {
    if (!object_ || value < kNoColor || value > kLargestColor) return;
    QColor color;
    if (value != kNoColor) color = QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    object_->setProperty(kColorProperty, color);
  }
};

bool HasColorProperty(const QWidget& widget) {
  return widget.property(kColorProperty).metaType().id() == QMetaType::QColor;
}

}  // namespace

std::unique_ptr<PersistedControl> MakeWidgetControl(QWidget* widget) {
  if (widget && HasColorProperty(*widget)) return std::make_unique<ColorControl>(widget);
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    return std::make_unique<ButtonControl>(button, ControlKind::kButton);
  }
  if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    return std::make_unique<ButtonControl>(box, ControlKind::kCheckBox);
  }
  if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
    return std::make_unique<ButtonControl>(radio, ControlKind::kRadioButton);
  }
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return std::make_unique<LineEditControl>(edit);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
    return std::make_unique<TextEditControl<QPlainTextEdit>>(edit);
  }
  if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
    return std::make_unique<TextEditControl<QTextEdit>>(edit);
  }
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return std::make_unique<ComboControl>(combo);
  if (auto* list = qobject_cast<QListWidget*>(widget)) return std::make_unique<ListControl>(list);
  return std::make_unique<ObjectControl<QWidget>>(widget, ControlKind::kOther);
}

std::unique_ptr<PersistedControl> MakeMenuItemControl(QAction* action) {
  return std::make_unique<MenuItemControl>(action);
}

WidgetWindow::WidgetWindow(QWidget* window) : window_(window) {
  if (!window) return;
  for (QWidget* child : window->findChildren<QWidget*>()) {
    controls_.push_back(MakeWidgetControl(child));
  }
}

std::vector<PersistedControl*> WidgetWindow::Controls() {
  std::vector<PersistedControl*> out;
  out.reserve(controls_.size());
  for (auto& control : controls_) out.push_back(control.get());
  return out;
}

int WidgetWindow::State() const {
  if (!window_) return kNormal;
  Qt::WindowStates state = window_->windowState();
  if (state & Qt::WindowMinimized) return kMinimised;
  if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) return kMaximised;
  return kNormal;
}

void WidgetWindow::SetState(int state) {
  if (!window_) return;
  Qt::WindowStates others =
      window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
  switch (state) {
    case kNormal:
      window_->setWindowState(others);
      break;
    case kCentred:
      window_->setWindowState(others);
      Centre();
      break;
    case kMinimised:
      window_->setWindowState(others | Qt::WindowMinimized);
      break;
    case kMaximised:
      window_->setWindowState(others | Qt::WindowMaximized);
      break;
    default:
      break;
  }
}

void WidgetWindow::Centre() {
  QScreen* screen = window_->screen();
  if (!screen) return;
  QRect frame = window_->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window_->move(frame.topLeft());
}

WindowPlace WidgetWindow::Place() const {
  if (!window_) return {};
  return {window_->x(), window_->y(), window_->width(), window_->height()};
}

void WidgetWindow::MovePlace(const WindowPlace& place) {
  if (!window_) return;
  window_->move(place.left, place.top);
  window_->resize(place.width, place.height);
}

}  // namespace plexaro
