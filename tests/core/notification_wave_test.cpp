#include "core/notification_wave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace plexaro {
namespace {

uint32_t LittleEndianAt(const std::string& bytes, size_t at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | uint8_t(bytes[at + i]);
  return value;
}

int16_t SampleAt(const std::string& wave, size_t frame, int channel) {
  return int16_t(LittleEndianAt(wave, kWaveHeaderBytes + frame * 4 + channel * 2, 2));
}

TEST(NotificationWave, IsTheExactPcmFormatAndSize) {
  std::string wave = NotificationWave();
  ASSERT_EQ(wave.size(), 90044u);
  EXPECT_EQ(wave.substr(0, 4), "RIFF");
  EXPECT_EQ(LittleEndianAt(wave, 4, 4), 90036u);
  EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
  struct Field {
    size_t offset;
    int width;
    uint32_t value;
  } fields[] = {{16, 4, 16},    {20, 2, 1}, {22, 2, 2},  {24, 4, 11025},
                {28, 4, 44100}, {32, 2, 4}, {34, 2, 16}, {40, 4, 90000}};
  for (const Field& field : fields) {
    EXPECT_EQ(LittleEndianAt(wave, field.offset, field.width), field.value) << field.offset;
  }
  EXPECT_EQ(wave.substr(36, 4), "data");
}

TEST(NotificationWave, IsAudibleUnclippedAndEndsInSilence) {
  std::string wave = NotificationWave();
  const size_t frames = (wave.size() - kWaveHeaderBytes) / 4;
  int peak = 0;
  for (size_t frame = 0; frame < frames; ++frame) {
    ASSERT_EQ(SampleAt(wave, frame, 0), SampleAt(wave, frame, 1)) << frame;
    peak = std::max(peak, std::abs(int(SampleAt(wave, frame, 0))));
  }
  EXPECT_GT(peak, 8000);
  EXPECT_LT(peak, 32767);
  EXPECT_EQ(SampleAt(wave, frames - 1, 0), 0);
  EXPECT_EQ(NotificationWave(), wave);  // the same bytes on every build
}

}  // namespace
}  // namespace plexaro
