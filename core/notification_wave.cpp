#include "core/notification_wave.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace plexaro {
namespace {

constexpr size_t kBytesPerFrame = kWaveChannels * kWaveBitsPerSample / 8;
constexpr size_t kDataBytes = kWaveTotalBytes - kWaveHeaderBytes;
constexpr size_t kFrames = kDataBytes / kBytesPerFrame;
static_assert(kDataBytes % kBytesPerFrame == 0);

void AppendLittleEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
}

// A bell-like note: a soft attack, then an exponential decay with a quieter octave on top.
double Note(double frequency, double seconds) {
  if (seconds < 0) return 0;
  double attack = std::min(1.0, seconds / 0.01);
  double decay = std::exp(-3.2 * seconds);
  double phase = 2 * std::numbers::pi * frequency * seconds;
  return attack * decay * (std::sin(phase) + 0.3 * std::sin(2 * phase));
}

int16_t ChimeSample(size_t frame) {
  double seconds = double(frame) / kWaveSampleRate;
  double value = 0.45 * Note(880.0, seconds) + 0.45 * Note(1318.5, seconds - 0.18);
  // The last 50 ms fade to silence so playback never ends in a click.
  double remaining = double(kFrames - frame) / kWaveSampleRate;
  if (remaining < 0.05) value *= remaining / 0.05;
  return int16_t(std::lround(std::clamp(value, -1.0, 1.0) * 20000));
}

}  // namespace

std::string NotificationWave() {
  std::string wave;
  wave.reserve(kWaveTotalBytes);
  wave += "RIFF";
  AppendLittleEndian(wave, uint32_t(kWaveTotalBytes - 8), 4);
  wave += "WAVEfmt ";
  AppendLittleEndian(wave, 16, 4);  // size of the "fmt " chunk
  AppendLittleEndian(wave, 1, 2);   // PCM
  AppendLittleEndian(wave, kWaveChannels, 2);
  AppendLittleEndian(wave, kWaveSampleRate, 4);
  AppendLittleEndian(wave, uint32_t(kWaveSampleRate * kBytesPerFrame), 4);
  AppendLittleEndian(wave, uint32_t(kBytesPerFrame), 2);
  AppendLittleEndian(wave, kWaveBitsPerSample, 2);
  wave += "data";
  AppendLittleEndian(wave, uint32_t(kDataBytes), 4);
  for (size_t frame = 0; frame < kFrames; ++frame) {
    uint16_t sample = uint16_t(ChimeSample(frame));
    for (int channel = 0; channel < kWaveChannels; ++channel) AppendLittleEndian(wave, sample, 2);
  }
  return wave;
}

}  // namespace plexaro
