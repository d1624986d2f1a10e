// A fresh directory under the system's temporary directory, removed with its content.
#pragma once

#include <filesystem>
#include <string>

#include "web/text.h"

namespace plexaro {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory as GBK Text, with a trailing "/".
  const Text& path() const { return path_; }

 private:
  Text path_;
};

}  // namespace plexaro
