#include "shell/dialogs.h"

#include <QMessageBox>

#include "shell/qt_text.h"

namespace plexaro {
namespace {
QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kError:
      return QMessageBox::Critical;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}
}  // namespace

const Text& MessageCaption() {
  return gbk("信息：");
}

bool MessageBoxes::Ask(const Text& question) {
  QMessageBox box(QMessageBox::Question, ToQString(MessageCaption()), ToQString(question),
                  QMessageBox::Ok | QMessageBox::Cancel, parent_);
  return box.exec() == QMessageBox::Ok;
}

void MessageBoxes::Tell(const Text& message) {
  ShowMessage(message, MessageCaption(), MessageIcon::kInformation, MessageModality::kWindow);
}

void MessageBoxes::ShowMessage(const Text& text, const Text& title, MessageIcon icon,
                               MessageModality modality) {
  QMessageBox box(BoxIcon(icon), ToQString(title), ToQString(text), QMessageBox::Ok, parent_);
  if (modality == MessageModality::kSystem) box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace plexaro
