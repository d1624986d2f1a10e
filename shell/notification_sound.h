// The notification sound of new hits: a short chime played without blocking, or the
// system bell where the program was built without Qt Multimedia. Silent where no audio
// device exists. GUI thread only.
#pragma once

#include <QByteArray>
#include <memory>

#include "core/result_refresh.h"

namespace plexaro {

// A PCM WAVE (two channels, 16 bits, 11,025 samples a second) of a two-note chime.
QByteArray ChimeWave();

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
