#include "web/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "web/gbk.h"

namespace plexaro {
namespace {

// An open file descriptor, closed on destruction.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= size_t(n);
  }
  return true;
}

}  // namespace

std::filesystem::path FsPath(std::string_view gbkPath) {
  return std::filesystem::path(GbkToUtf8(gbkPath));
}

Text TextPath(const std::filesystem::path& path) {
  return Utf8ToGbk(path.string());
}

bool ReadWholeFile(std::string_view gbkPath, ByteSet& out) {
  FileDescriptor fd(::open(FsPath(gbkPath).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return false;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  ByteSet bytes;
  bytes.reserve(size_t(info.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    bytes.append(buffer, size_t(n));
  }
  out = std::move(bytes);
  return true;
}

bool WriteWholeFile(std::string_view gbkPath, std::string_view bytes) {
  std::filesystem::path target = FsPath(gbkPath);
  std::filesystem::path temporary = target;
  temporary += ".tmp-" + std::to_string(::getpid());
  FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) return false;
  bool ok = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  ok = ::close(fd.release()) == 0 && ok;
  if (ok && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

bool FileExists(std::string_view gbkPath) {
  std::error_code error;
  return std::filesystem::is_regular_file(FsPath(gbkPath), error);
}

bool DirectoryExists(std::string_view gbkPath) {
  std::error_code error;
  return std::filesystem::is_directory(FsPath(gbkPath), error);
}

bool CreateOneDirectory(std::string_view gbkPath) {
  return ::mkdir(FsPath(gbkPath).c_str(), 0755) == 0 || DirectoryExists(gbkPath);
}

bool RemoveFile(std::string_view gbkPath) {
  return ::unlink(FsPath(gbkPath).c_str()) == 0;
}

int OpenForUpdate(std::string_view gbkPath) {
  // O_NONBLOCK keeps a FIFO at that path from blocking the open; it is refused below.
  FileDescriptor fd(
      ::open(FsPath(gbkPath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644));
  if (fd.get() < 0) return -1;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return -1;
  return fd.release();
}

bool IsSameFile(std::string_view gbkPath, int fd) {
  struct stat byPath {};
  struct stat byFd {};
  if (::stat(FsPath(gbkPath).c_str(), &byPath) != 0 || ::fstat(fd, &byFd) != 0) return false;
  return byPath.st_dev == byFd.st_dev && byPath.st_ino == byFd.st_ino;
}

bool MakeDirectories(std::string_view gbkPath) {
  const std::string_view separator(&kPathSeparator, 1);
  for (long at = FindText(gbkPath, separator); at > 0; at = FindText(gbkPath, separator, at + 1)) {
    std::string_view prefix = gbkPath.substr(0, size_t(at) - 1);
    if (prefix.empty() || DirectoryExists(prefix)) continue;
    if (!CreateOneDirectory(prefix)) return false;
  }
  return true;
}

Text RunDirectory() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return Text("./");
  return TextPath(exe.parent_path()) + kPathSeparator;
}

}  // namespace plexaro
