// The file behind a settings store, kept equal to the store's text byte for byte.
//
// Two kinds: a file on disk, held open for the whole run under an exclusive advisory
// lock (other processes may read it; another store, in this or another process, cannot
// open it for writing), and a file kept in memory. Changes are made by rewriting the
// bytes from the changed offset to the end, which is how an insert or a delete at an
// offset reaches the file. Owned by one store, used on its thread only.
//
// On a disk file a change that grows the file first reserves the new space, so a full
// disk fails the change before any byte is touched. A change is written with one
// pwrite and, when the file shrinks, an ftruncate after it; nothing is fsynced, so a
// power loss may lose the latest changes, and a crash between the pwrite and the
// ftruncate leaves stray bytes of the old end behind the new content.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "web/text.h"

namespace plexaro {

class BackingFile {
 public:
  virtual ~BackingFile() = default;

  // Makes the bytes from `offset` on equal `tail`; the length becomes offset + tail
  // size. False when the offset lies past the end or the system refuses the write; the
  // bytes from `offset` on may then be anything and the caller writes them again.
  virtual bool RewriteTail(uint64_t offset, std::string_view tail) = 0;
  // Overwrites bytes at `offset` without changing the length; false as above.
  virtual bool Overwrite(uint64_t offset, std::string_view bytes) = 0;
  // The whole content; false (`out` unchanged) when it cannot be read.
  virtual bool ReadAll(ByteSet& out) = 0;
  // Forces the content to stable storage (a no-op in memory); false on failure.
  virtual bool Flush() = 0;
  // True when `gbkPath` names this very file (never for a file in memory).
  virtual bool IsFile(std::string_view gbkPath) const = 0;
  virtual uint64_t Size() const = 0;
};

// Opens the disk file for reading and writing, creating it when missing and never
// truncating it, and takes its write lock. Null when it cannot be opened, is not a
// regular file, or is locked by another store.
std::unique_ptr<BackingFile> OpenDiskFile(std::string_view gbkPath);

// A new file in memory holding `content`.
std::unique_ptr<BackingFile> OpenMemoryFile(std::string_view content);

}  // namespace plexaro
