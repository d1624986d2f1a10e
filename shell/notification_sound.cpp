#include "shell/notification_sound.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryFile>
#include <QUrl>
#include <QtEndian>
#include <cmath>

#ifdef PLEXARO_HAVE_MULTIMEDIA
#include <QSoundEffect>
#endif

namespace plexaro {
namespace {
constexpr int kRate = 11025;
constexpr int kChannels = 2;
constexpr int kBytesPerSample = 2;

void Append32(QByteArray& out, quint32 value) {
  quint32 little = qToLittleEndian(value);
  out.append(reinterpret_cast<const char*>(&little), 4);
}
void Append16(QByteArray& out, quint16 value) {
  quint16 little = qToLittleEndian(value);
  out.append(reinterpret_cast<const char*>(&little), 2);
}

// Two notes, each fading out.
QByteArray ChimeSamples() {
  QByteArray samples;
  const double notes[] = {880.0, 1174.7};
  const int noteLength = kRate / 4;
  for (double frequency : notes) {
    for (int i = 0; i < noteLength; ++i) {
      double fade = 1.0 - double(i) / noteLength;
      double value = std::sin(2 * M_PI * frequency * i / kRate) * fade * fade * 12000;
      for (int c = 0; c < kChannels; ++c) Append16(samples, quint16(qint16(value)));
    }
  }
  return samples;
}
}  // namespace

QByteArray ChimeWave() {
  QByteArray samples = ChimeSamples();
  QByteArray wave("RIFF");
  Append32(wave, quint32(36 + samples.size()));
  wave.append("WAVEfmt ");
  Append32(wave, 16);
  Append16(wave, 1);  // PCM
  Append16(wave, kChannels);
  Append32(wave, kRate);
  Append32(wave, kRate * kChannels * kBytesPerSample);
  Append16(wave, kChannels * kBytesPerSample);
  Append16(wave, 8 * kBytesPerSample);
  wave.append("data");
  Append32(wave, quint32(samples.size()));
  return wave + samples;
}

#ifdef PLEXARO_HAVE_MULTIMEDIA
// QSoundEffect plays files, so the chime lives in a temporary file while the program runs.
struct NotificationSound::Player {
  QTemporaryFile file;
  QSoundEffect effect;
};

NotificationSound::NotificationSound() : player_(std::make_unique<Player>()) {
  player_->file.setFileTemplate(QDir::tempPath() + "/plexaro-chime-XXXXXX.wav");
  if (player_->file.open()) {
    player_->file.write(ChimeWave());
    player_->file.flush();
    player_->effect.setSource(QUrl::fromLocalFile(player_->file.fileName()));
  }
}

void NotificationSound::Beep() {
  if (player_->effect.status() == QSoundEffect::Ready) {
    player_->effect.play();
  } else {
    QApplication::beep();
  }
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
