// Message boxes: the editor's OK/Cancel questions, plain messages and the settings
// store's notices, all on the GUI thread and modal to the window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "core/config_editor.h"
#include "web/notifier.h"

namespace plexaro {

class MessageBoxes final : public Questioner, public Notifier {
 public:
  // `parent` may be null (before the window exists).
  explicit MessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  bool Ask(const Text& question) override;
  void Tell(const Text& message) override;
  void ShowMessage(const Text& text, const Text& title, MessageIcon icon,
                   MessageModality modality) override;

 private:
  QPointer<QWidget> parent_;
};

// The caption of every question and message: "信息：".
const Text& MessageCaption();

}  // namespace plexaro
