#include "settings/backing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "web/files.h"

namespace plexaro {
namespace {

class DiskFile final : public BackingFile {
 public:
  DiskFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~DiskFile() override { ::close(fd_); }
  DiskFile(const DiskFile&) = delete;
  DiskFile& operator=(const DiskFile&) = delete;

  bool RewriteTail(uint64_t offset, std::string_view tail) override {
    if (offset > size_) return false;
    uint64_t newSize = offset + tail.size();
    if (newSize > size_ && !Reserve(newSize)) return false;
    bool ok = WriteAt(offset, tail);
    if (ok && newSize < size_) ok = ::ftruncate(fd_, off_t(newSize)) == 0;
    RefreshSize();
    return ok && size_ == newSize;
  }

  bool Overwrite(uint64_t offset, std::string_view bytes) override {
    if (offset + bytes.size() > size_) return false;
    return WriteAt(offset, bytes);
  }

  bool ReadAll(ByteSet& out) override {
    ByteSet bytes(size_t(size_), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done, off_t(done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) break;  // cut short by someone else; keep what is there
      done += size_t(n);
    }
    bytes.resize(done);
    out = std::move(bytes);
    return true;
  }

  bool Flush() override { return ::fdatasync(fd_) == 0; }
  bool IsFile(std::string_view gbkPath) const override { return IsSameFile(gbkPath, fd_); }
  uint64_t Size() const override { return size_; }

 private:
  // Allocates the blocks up to `newSize` without changing the length, so that the write
  // after it cannot run out of space half-way. File systems without fallocate go on.
  bool Reserve(uint64_t newSize) {
    int rc;
    do {
      rc = ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, off_t(size_), off_t(newSize - size_));
    } while (rc != 0 && errno == EINTR);
    return rc == 0 || errno == EOPNOTSUPP || errno == ENOSYS;
  }

  bool WriteAt(uint64_t offset, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
      ssize_t n = ::pwrite(fd_, p, left, off_t(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      left -= size_t(n);
      offset += uint64_t(n);
    }
    return true;
  }

  void RefreshSize() {
    struct stat info {};
    if (::fstat(fd_, &info) == 0) size_ = uint64_t(info.st_size);
  }

  int fd_;
  uint64_t size_;
};

class MemoryFile final : public BackingFile {
 public:
  explicit MemoryFile(std::string_view content) : bytes_(content) {}

  bool RewriteTail(uint64_t offset, std::string_view tail) override {
    if (offset > bytes_.size()) return false;
    bytes_.resize(size_t(offset));
    bytes_.append(tail);
    return true;
  }

  bool Overwrite(uint64_t offset, std::string_view bytes) override {
    if (offset + bytes.size() > bytes_.size()) return false;
    bytes_.replace(size_t(offset), bytes.size(), bytes);
    return true;
  }

  bool ReadAll(ByteSet& out) override {
    out = bytes_;
    return true;
  }

  bool Flush() override { return true; }
  bool IsFile(std::string_view) const override { return false; }
  uint64_t Size() const override { return bytes_.size(); }

 private:
  std::string bytes_;
};

// An open-file-description lock: unlike a classic POSIX record lock it is not dropped
// when this process closes some other descriptor of the same file (a plain read of the
// configuration file elsewhere), and it also excludes a second store in this process.
bool LockForWriting(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // the whole file, however long it grows
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

std::unique_ptr<BackingFile> OpenDiskFile(std::string_view gbkPath) {
  int fd = OpenForUpdate(gbkPath);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (!LockForWriting(fd) || ::fstat(fd, &info) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<DiskFile>(fd, uint64_t(info.st_size));
}

std::unique_ptr<BackingFile> OpenMemoryFile(std::string_view content) {
  return std::make_unique<MemoryFile>(content);
}

}  // namespace plexaro
