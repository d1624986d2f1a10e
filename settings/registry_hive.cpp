#include "settings/registry_hive.h"

#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <vector>

#include "web/files.h"

namespace plexaro {
namespace {

constexpr std::string_view kMagic = "PLEXARO-HIVE 1\n";

// One value: record layout "<key size> <name size> <value size>\n" key name value "\n".
struct Record {
  Text key, name, value;
};

bool ReadSize(std::string_view bytes, size_t& at, char end, size_t& size) {
  auto [ptr, ec] = std::from_chars(bytes.data() + at, bytes.data() + bytes.size(), size);
  if (ec != std::errc() || ptr == bytes.data() + bytes.size() || *ptr != end) return false;
  at = size_t(ptr - bytes.data()) + 1;
  return true;
}

std::vector<Record> Parse(std::string_view bytes) {
  std::vector<Record> records;
  if (bytes.substr(0, kMagic.size()) != kMagic) return records;
  size_t at = kMagic.size();
  while (at < bytes.size()) {
    size_t sizes[3];
    if (!ReadSize(bytes, at, ' ', sizes[0]) || !ReadSize(bytes, at, ' ', sizes[1]) ||
        !ReadSize(bytes, at, '\n', sizes[2])) {
      break;
    }
    size_t left = bytes.size() - at;
    if (sizes[0] > left || sizes[1] > left - sizes[0] || sizes[2] > left - sizes[0] - sizes[1] ||
        sizes[0] + sizes[1] + sizes[2] == left) {
      break;  // too short for the three texts and the closing line break
    }
    Record record;
    record.key = bytes.substr(at, sizes[0]);
    record.name = bytes.substr(at + sizes[0], sizes[1]);
    record.value = bytes.substr(at + sizes[0] + sizes[1], sizes[2]);
    at += sizes[0] + sizes[1] + sizes[2];
    if (bytes[at++] != '\n') break;
    records.push_back(std::move(record));
  }
  return records;
}

Text Serialize(const std::vector<Record>& records) {
  Text out(kMagic);
  for (const Record& r : records) {
    out += std::to_string(r.key.size()) + ' ' + std::to_string(r.name.size()) + ' ' +
           std::to_string(r.value.size()) + '\n';
    out += r.key + r.name + r.value + '\n';
  }
  return out;
}

const Record* FindRecord(const std::vector<Record>& records, std::string_view key,
                         std::string_view name) {
  for (const Record& r : records) {
    if (EqualsIgnoreCase(r.key, key) && EqualsIgnoreCase(r.name, name)) return &r;
  }
  return nullptr;
}

// Holds an exclusive flock on the hive's lock file while it lives.
class HiveLock {
 public:
  explicit HiveLock(const Text& hivePath) : fd_(OpenForUpdate(hivePath + ".lock")) {
    while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
      }
    }
  }
  ~HiveLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  HiveLock(const HiveLock&) = delete;
  HiveLock& operator=(const HiveLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace

bool RegistryHive::Read(std::string_view key, std::string_view name, Text& value) const {
  ByteSet bytes;
  if (!ReadWholeFile(path_, bytes)) return false;
  std::vector<Record> records = Parse(bytes);
  const Record* found = FindRecord(records, key, name);
  if (!found) return false;
  value = found->value;
  return true;
}

bool RegistryHive::Write(std::string_view key, std::string_view name, std::string_view value) {
  HiveLock lock(path_);
  if (!lock.held()) return false;
  ByteSet bytes;
  std::vector<Record> records;
  if (ReadWholeFile(path_, bytes)) records = Parse(bytes);
  if (Record* found = const_cast<Record*>(FindRecord(records, key, name))) {
    found->value = value;
  } else {
    records.push_back({Text(key), Text(name), Text(value)});
  }
  return WriteWholeFile(path_, Serialize(records));
}

Text RegistryHivePath(std::string_view storePath) {
  size_t slash = storePath.rfind(kPathSeparator);
  if (slash == std::string_view::npos) return Text("registry.hive");
  return Text(storePath.substr(0, slash + 1)) + "registry.hive";
}

}  // namespace plexaro
