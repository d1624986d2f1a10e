// The notification sound's bytes: a PCM WAVE, two channels of 16-bit samples at
// 11,025 samples a second, exactly 90,044 bytes (a 44-byte header and 22,500 frames).
// The build writes it to a file that the window embeds as a resource.
#pragma once

#include <string>

namespace plexaro {

inline constexpr int kWaveSampleRate = 11025;
inline constexpr int kWaveChannels = 2;
inline constexpr int kWaveBitsPerSample = 16;
inline constexpr size_t kWaveHeaderBytes = 44;
inline constexpr size_t kWaveTotalBytes = 90044;

// The whole file: "RIFF" header, "fmt " chunk, "data" chunk of a two-note chime.
std::string NotificationWave();

}  // namespace plexaro
