// make-notification-wave FILE: writes the notification sound for the window's resources.
#include <cstdio>

#include "core/notification_wave.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-notification-wave FILE\n");
    return 2;
  }
  std::string wave = plexaro::NotificationWave();
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  bool written = std::fwrite(wave.data(), 1, wave.size(), file) == wave.size();
  if (std::fclose(file) != 0 || !written) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
