// The store's registry mode: named string values under registry-like keys, kept in a
// small file of our own instead of the Windows registry.
//
// The hive of a store is the file "registry.hive" in the directory of the store's path
// (the current directory when the path has none), so every store of a program shares
// one hive and keeps its values apart by key, as the registry does. Key and value names
// are compared with ASCII letters folded, as the registry compares them. Each write
// replaces the file through a temporary file and a rename, under an exclusive lock on
// "registry.hive.lock", so a crash never leaves a half-written hive and concurrent
// writers do not lose each other's values. Use from one thread per instance.
#pragma once

#include <string_view>

#include "web/text.h"

namespace plexaro {

class RegistryHive {
 public:
  explicit RegistryHive(Text path) : path_(std::move(path)) {}

  // The value `name` under `key`; false (value unchanged) when it does not exist or the
  // hive cannot be read. A damaged hive yields the records before the damage.
  bool Read(std::string_view key, std::string_view name, Text& value) const;
  // Creates or replaces the value; false when the hive cannot be written.
  bool Write(std::string_view key, std::string_view name, std::string_view value);

  const Text& path() const { return path_; }

 private:
  Text path_;
};

// The hive beside a store: the store path's directory + "/registry.hive".
Text RegistryHivePath(std::string_view storePath);

}  // namespace plexaro
