#include "shell/notification_sound.h"

#include <QApplication>
#include <QUrl>

#ifdef PLEXARO_HAVE_MULTIMEDIA
#include <QSoundEffect>
#endif

namespace plexaro {

#ifdef PLEXARO_HAVE_MULTIMEDIA
// The effect decodes the embedded sound once, when the window is made; play() hands it to
// the audio thread and returns at once.
struct NotificationSound::Player {
  QSoundEffect effect;
};

NotificationSound::NotificationSound() : player_(std::make_unique<Player>()) {
  player_->effect.setSource(QUrl(QStringLiteral("qrc") + kNotificationWaveResource));
}

void NotificationSound::Beep() {
  // Without an audio device the effect never becomes ready; play() then does nothing,
  // which is the wanted silence.
  player_->effect.play();
}
#else
struct NotificationSound::Player {};

NotificationSound::NotificationSound() = default;

void NotificationSound::Beep() {
  QApplication::beep();
}
#endif

NotificationSound::~NotificationSound() = default;

}  // namespace plexaro
