#include "support/temp_dir.h"

#include <unistd.h>

#include <atomic>

#include "web/files.h"

namespace plexaro {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("plexaro-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  path_ = TextPath(dir) + "/";
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(FsPath(path_), ignored);
}

}  // namespace plexaro
