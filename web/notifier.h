// How the core shows a message to the user without depending on a GUI toolkit.
//
// The core never opens a dialog itself: it calls a Notifier, which the desktop shell
// implements with its message boxes. The default notifier shows nothing.
#pragma once

#include "web/text.h"

namespace plexaro {

enum class MessageIcon { kNone, kInformation, kQuestion, kExclamation, kError };
enum class MessageModality { kWindow, kSystem };  // kSystem: blocks every window

// Called on the thread that owns the object holding it (the GUI thread for the store).
class Notifier {
 public:
  virtual ~Notifier() = default;
  // Shows `text` under `title` and returns when the user has dismissed it.
  virtual void ShowMessage(const Text& text, const Text& title, MessageIcon icon,
                           MessageModality modality = MessageModality::kWindow) = 0;
};

// Shows nothing; the notifier of objects that have not been given one.
class SilentNotifier final : public Notifier {
 public:
  void ShowMessage(const Text&, const Text&, MessageIcon, MessageModality) override {}
  static SilentNotifier& Instance() {
    static SilentNotifier instance;
    return instance;
  }
};

}  // namespace plexaro
