// The one place where a GBK path meets the file system.
//
// Paths are GBK Text with "/" as separator; they are converted to the file system's
// UTF-8 names here and nowhere else. Every function reports failure by its result.
#pragma once

#include <filesystem>
#include <string_view>

#include "web/text.h"

namespace plexaro {

constexpr char kPathSeparator = '/';

// The file-system path of a GBK path.
std::filesystem::path FsPath(std::string_view gbkPath);
// A file-system path as GBK Text (characters GBK lacks become "?").
Text TextPath(const std::filesystem::path& path);

// Reads the whole file into `out`; false (and `out` unchanged) when it cannot be read.
bool ReadWholeFile(std::string_view gbkPath, ByteSet& out);
// Replaces the file's content with `bytes` through a temporary file and a rename, so
// a crash never leaves a half-written file; false when it cannot be written.
bool WriteWholeFile(std::string_view gbkPath, std::string_view bytes);
bool FileExists(std::string_view gbkPath);
bool DirectoryExists(std::string_view gbkPath);
bool CreateOneDirectory(std::string_view gbkPath);
bool RemoveFile(std::string_view gbkPath);

// Opens a regular file for reading and writing, creating it (mode 0644) when it is
// missing and never truncating it. Returns the descriptor (the caller closes it), or -1
// when it cannot be opened or is not a regular file.
int OpenForUpdate(std::string_view gbkPath);
// True when the path names the same file as the open descriptor (same device and inode).
bool IsSameFile(std::string_view gbkPath, int fd);

// Creates every directory named by the part before each separator, left to right; what
// follows the last separator is not created (a file name, or nothing when the path ends
// in "/"). The empty part before a leading "/" is skipped. False at the first directory
// that cannot be made, or when a part names something that is not a directory
// (directories made before stay).
bool MakeDirectories(std::string_view gbkPath);

// The directory of the running executable, with a trailing separator.
Text RunDirectory();

}  // namespace plexaro
