// A keyword's two refresh lists, "<name>.txt" (addresses) and "<name>.html" (links),
// newest lines first, held open and locked while the keyword's worker runs.
#pragma once

#include <memory>

#include "web/locked_file.h"

namespace plexaro {

class RefreshListFiles {
 public:
  // Deletes both files left from an earlier run and opens them afresh. A file that
  // cannot be opened (another worker holds the same name, no permission) is left out;
  // `Problem()` then says why, and monitoring goes on without it.
  static std::unique_ptr<RefreshListFiles> Restart(const Text& directory, const Text& name);

  // Puts the lines in front of each file's content; false when a file is missing or a
  // write failed.
  bool Prepend(std::string_view txtLines, std::string_view htmlLines);
  const Text& Problem() const { return problem_; }

 private:
  std::unique_ptr<LockedFile> txt_;
  std::unique_ptr<LockedFile> html_;
  Text problem_;
};

}  // namespace plexaro
