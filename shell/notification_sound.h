// The notification sound of new hits: the embedded WAVE ":/sounds/notification.wav"
// played once per beep without blocking, or the system bell where the program was built
// without Qt Multimedia. Silent where no audio device exists. GUI thread only.
#pragma once

#include <QString>
#include <memory>

#include "core/result_refresh.h"

namespace plexaro {

inline const QString kNotificationWaveResource = QStringLiteral(":/sounds/notification.wav");

class NotificationSound final : public Beeper {
 public:
  NotificationSound();
  ~NotificationSound() override;
  void Beep() override;

 private:
  struct Player;
  std::unique_ptr<Player> player_;
};

}  // namespace plexaro
