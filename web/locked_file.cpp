#include "web/locked_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>

#include "web/files.h"

namespace plexaro {
namespace {

// POSIX record locks do not exclude a second open in the same process, so the paths
// held by this process are remembered too.
std::mutex heldMutex;
std::set<std::string> heldPaths;

bool ClaimPath(const std::string& path) {
  std::lock_guard<std::mutex> lock(heldMutex);
  return heldPaths.insert(path).second;
}

void ReleasePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(heldMutex);
  heldPaths.erase(path);
}

bool LockForWriting(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return ::fcntl(fd, F_SETLK, &lock) == 0;
}

bool WriteAllAt(int fd, std::string_view bytes, off_t offset) {
  while (!bytes.empty()) {
    ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
    offset += n;
  }
  return true;
}

bool ReadAll(int fd, ByteSet& out) {
  ByteSet bytes;
  char buffer[65536];
  for (off_t offset = 0;;) {
    ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    bytes.append(buffer, size_t(n));
    offset += n;
  }
  out = std::move(bytes);
  return true;
}

}  // namespace

std::unique_ptr<LockedFile> LockedFile::Open(std::string_view gbkPath) {
  std::string fsPath = FsPath(gbkPath).string();
  if (!ClaimPath(fsPath)) return nullptr;
  int fd = ::open(fsPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  struct stat info {};
  bool usable = fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && LockForWriting(fd);
  if (!usable) {
    if (fd >= 0) ::close(fd);
    ReleasePath(fsPath);
    return nullptr;
  }
  return std::unique_ptr<LockedFile>(new LockedFile(Text(gbkPath), fd));
}

LockedFile::~LockedFile() {
  ::close(fd_);
  ReleasePath(FsPath(path_).string());
}

bool LockedFile::Clear() {
  return ::ftruncate(fd_, 0) == 0 && ::fsync(fd_) == 0;
}

bool LockedFile::Read(ByteSet& out) const {
  return ReadAll(fd_, out);
}

bool LockedFile::Prepend(std::string_view bytes) {
  ByteSet old;
  if (!ReadAll(fd_, old)) return false;
  std::string fsPath = FsPath(path_).string();
  std::string temporary = fsPath + ".new";
  int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = LockForWriting(fd) && WriteAllAt(fd, bytes, 0) &&
            WriteAllAt(fd, old, off_t(bytes.size())) && ::fsync(fd) == 0 &&
            ::rename(temporary.c_str(), fsPath.c_str()) == 0;
  if (!ok) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return false;
  }
  ::close(fd_);
  fd_ = fd;
  return true;
}

}  // namespace plexaro
