// A file held open while the program writes it, locked against other writers, whose
// content is only ever replaced whole and atomically (a temporary file renamed over
// it), so a crash leaves either the old or the new content, never a mix.
#pragma once

#include <memory>
#include <string_view>

#include "web/text.h"

namespace plexaro {

class LockedFile {
 public:
  ~LockedFile();
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  // Opens (creating when missing, never truncating) and locks the file. Null when it
  // cannot be opened or another holder has it locked (in this or another process).
  static std::unique_ptr<LockedFile> Open(std::string_view gbkPath);

  // Puts `bytes` in front of the current content; false (content unchanged) on failure.
  bool Prepend(std::string_view bytes);
  // Empties the file; false on failure.
  bool Clear();
  // The current content; false when it cannot be read.
  bool Read(ByteSet& out) const;

 private:
  LockedFile(Text path, int fd) : path_(std::move(path)), fd_(fd) {}
  Text path_;
  int fd_;
};

}  // namespace plexaro
