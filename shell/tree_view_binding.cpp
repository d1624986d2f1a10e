#include "shell/tree_view_binding.h"

#include <QApplication>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include "shell/images.h"
#include "shell/qt_text.h"

namespace plexaro {
namespace {
constexpr int kIndexRole = Qt::UserRole;

// Draws the partly checked state as a ticked box veiled in the view's background, so
// the tick looks dimmed while the text and the image keep their colours.
class DimmedTickDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (index.data(Qt::CheckStateRole).toInt() != Qt::PartiallyChecked) return;
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QRect box = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item, widget);
    QColor veil = option.palette.color(QPalette::Base);
    veil.setAlpha(150);
    painter->fillRect(box, veil);
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(Qt::CheckStateRole).toInt() == Qt::PartiallyChecked) {
      option->checkState = Qt::Checked;
    }
  }
};
}  // namespace

TreeViewBinding::TreeViewBinding(QTreeWidget* view, TreeModel& tree, Handlers handlers)
    : view_(view), tree_(tree), handlers_(std::move(handlers)) {
  view_->setHeaderHidden(true);
  view_->setColumnCount(1);
  view_->setItemDelegate(new DimmedTickDelegate(view_));
  QObject::connect(view_, &QTreeWidget::itemChanged, view_,
                   [this](QTreeWidgetItem* item, int) { OnItemChanged(item); });
  // The model remembers what the user folds, so a later sync keeps it.
  for (auto [signal, expanded] : {std::pair{&QTreeWidget::itemExpanded, true},
                                  std::pair{&QTreeWidget::itemCollapsed, false}}) {
    QObject::connect(view_, signal, view_, [this, expanded](QTreeWidgetItem* item) {
      int index = item->data(0, kIndexRole).toInt();
      if (tree_.IsValid(index)) tree_.MutableItem(index).expanded = expanded;
    });
  }
  QObject::connect(view_, &QTreeWidget::currentItemChanged, view_,
                   [this](QTreeWidgetItem* item) { OnCurrentChanged(item); });
}

Qt::CheckState TreeViewBinding::ViewState(int checkState) {
  switch (checkState) {
    case kChecked:
      return Qt::Checked;
    case kCheckedDimmed:
      return Qt::PartiallyChecked;
    default:
      return Qt::Unchecked;
  }
}

QTreeWidgetItem* TreeViewBinding::ItemAt(int index) const {
  return (index >= 0 && size_t(index) < items_.size()) ? items_[size_t(index)] : nullptr;
}

bool TreeViewBinding::SameStructure() const {
  if (int(items_.size()) != tree_.Count()) return false;
  for (int i = 0; i < tree_.Count(); ++i) {
    const TreeItem& item = tree_.Item(i);
    QTreeWidgetItem* shown = items_[size_t(i)];
    if (shown->data(0, kIndexRole).toInt() != i ||
        tree_.Parent(i) != shown->data(0, kIndexRole + 1).toInt() ||
        shown->data(0, kIndexRole + 2).toInt() != item.image) {
      return false;
    }
  }
  return true;
}

void TreeViewBinding::Sync() {
  QSignalBlocker blockView(view_);
  QSignalBlocker blockSelection(view_->selectionModel());
  if (!SameStructure()) Rebuild();
  for (int i = 0; i < tree_.Count(); ++i) UpdateItem(i);
  QTreeWidgetItem* selected = ItemAt(tree_.Selected());
  view_->setCurrentItem(selected);
  if (!selected) view_->clearSelection();
  if (selected) view_->scrollToItem(selected);
}

void TreeViewBinding::Rebuild() {
  view_->clear();
  items_.clear();
  for (int i = 0; i < tree_.Count(); ++i) {
    int parent = tree_.Parent(i);
    QTreeWidgetItem* item =
        parent >= 0 ? new QTreeWidgetItem(items_[size_t(parent)]) : new QTreeWidgetItem(view_);
    item->setData(0, kIndexRole, i);
    item->setData(0, kIndexRole + 1, parent);
    item->setData(0, kIndexRole + 2, tree_.Item(i).image);
    item->setIcon(0, ShellImage(tree_.Item(i).image));
    items_.push_back(item);
  }
}

void TreeViewBinding::UpdateItem(int index) {
  const TreeItem& model = tree_.Item(index);
  QTreeWidgetItem* item = items_[size_t(index)];
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  // Only configurations can be ticked by the user; the dimmed tick stays.
  if (model.checkState != kCheckedDimmed) flags |= Qt::ItemIsUserCheckable;
  item->setFlags(flags);
  item->setText(0, ToQString(model.text));
  item->setCheckState(0, ViewState(model.checkState));
  item->setExpanded(model.expanded);
}

void TreeViewBinding::OnItemChanged(QTreeWidgetItem* item) {
  int index = item->data(0, kIndexRole).toInt();
  if (!tree_.IsValid(index)) return;
  int shown = item->checkState(0) == Qt::Checked     ? kChecked
              : item->checkState(0) == Qt::Unchecked ? kUnchecked
                                                     : kCheckedDimmed;
  if (shown == tree_.Item(index).checkState) return;  // not a tick
  if (handlers_.checkChanged) handlers_.checkChanged(index, shown);
  Sync();
}

void TreeViewBinding::OnCurrentChanged(QTreeWidgetItem* item) {
  tree_.Select(item ? item->data(0, kIndexRole).toInt() : -1);
  if (handlers_.selectionChanged) handlers_.selectionChanged();
}

}  // namespace plexaro
