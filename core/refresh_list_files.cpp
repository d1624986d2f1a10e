#include "core/refresh_list_files.h"

#include "web/gbk.h"

namespace plexaro {
namespace {

std::unique_ptr<LockedFile> Reopen(const Text& path, Text& problem) {
  // Only the holder of the lock clears what an earlier run left, so a second worker
  // of the same name never wipes the list the first one is writing.
  std::unique_ptr<LockedFile> file = LockedFile::Open(path);
  if (file && !file->Clear()) file.reset();
  if (!file && problem.empty()) problem = gbk("无法打开刷新列表文件：") + path;
  return file;
}

}  // namespace

std::unique_ptr<RefreshListFiles> RefreshListFiles::Restart(const Text& directory,
                                                            const Text& name) {
  auto files = std::unique_ptr<RefreshListFiles>(new RefreshListFiles());
  files->txt_ = Reopen(directory + name + ".txt", files->problem_);
  files->html_ = Reopen(directory + name + ".html", files->problem_);
  return files;
}

bool RefreshListFiles::Prepend(std::string_view txtLines, std::string_view htmlLines) {
  bool ok = true;
  if (!txtLines.empty()) ok = txt_ && txt_->Prepend(txtLines) && ok;
  if (!htmlLines.empty()) ok = html_ && html_->Prepend(htmlLines) && ok;
  return ok;
}

}  // namespace plexaro
