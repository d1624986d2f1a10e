// Helpers shared by the settings tests: a temporary directory and raw file access.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "web/files.h"
#include "web/gbk.h"

namespace plexaro::testing {

// A fresh directory under the system temp directory, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plexaro-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // A GBK path inside the directory; `name` is a UTF-8 literal.
  Text Path(std::string_view name) const { return TextPath(path_) + "/" + gbk(name); }

 private:
  std::string path_;
};

inline std::string ReadRaw(const Text& gbkPath) {
  ByteSet bytes;
  if (!ReadWholeFile(gbkPath, bytes)) return "<unreadable>";
  return bytes;
}

inline void WriteRaw(const Text& gbkPath, std::string_view bytes) {
  ASSERT_TRUE(WriteWholeFile(gbkPath, bytes));
}

}  // namespace plexaro::testing
