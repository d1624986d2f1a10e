// plexaro-cli extract FILE --mode M [--markers LIST] and plexaro-cli read URL [--dir DIR]:
// the body extraction and the whole quick-read path without the window.
#include <cstdio>

#include "cli/commands.h"
#include "quickread/quick_read_worker.h"
#include "web/charset.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

bool ParseMode(const std::string& name, ExtractMode& mode) {
  const std::pair<const char*, ExtractMode> kModes[] = {
      {"block", ExtractMode::BlockDensity},
      {"group", ExtractMode::GroupDensity},
      {"marker-first", ExtractMode::MarkerFirst},
      {"marker-all", ExtractMode::MarkerAll},
  };
  for (const auto& [text, value] : kModes) {
    if (name == text) {
      mode = value;
      return true;
    }
  }
  return false;
}

void PrintUtf8(const Text& text) {
  if (text.empty()) return;
  std::string utf8 = GbkToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  if (utf8.back() != '\n') std::fputc('\n', stdout);
}

}  // namespace

int RunExtractCommand(const Arguments& arguments) {
  std::string file;
  std::optional<ExtractMode> mode;
  Text markers;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    bool hasValue = i + 1 < arguments.size();
    if (arg == "--mode" && hasValue) {
      ExtractMode parsed;
      if (!ParseMode(arguments[++i], parsed)) {
        return UsageError("--mode takes block, group, marker-first or marker-all, not '" +
                          arguments[i] + "'");
      }
      mode = parsed;
    } else if (arg == "--markers" && hasValue) {
      markers = Utf8ToGbk(arguments[++i]);
    } else if (arg.starts_with("--")) {
      return UsageError("extract: unknown or incomplete option '" + arg + "'");
    } else if (file.empty()) {
      file = arg;
    } else {
      return UsageError("extract: more than one FILE ('" + arg + "')");
    }
  }
  if (file.empty()) return UsageError("extract: FILE is missing");
  if (!mode) return UsageError("extract: --mode is missing");
  ByteSet body;
  if (!ReadWholeFile(TextPath(file), body)) {
    std::fprintf(stderr, "plexaro-cli: cannot read '%s'\n", file.c_str());
    return 1;
  }
  BodyExtractor extractor;
  extractor.Prepare();
  PrintUtf8(extractor.Extract(DecodeBody(body), *mode, markers));
  return 0;
}

int RunReadCommand(const Arguments& arguments) {
  Text address, directory;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (arg == "--dir" && i + 1 < arguments.size()) {
      directory = TextPath(arguments[++i]);
      if (!directory.ends_with(kPathSeparator)) directory += kPathSeparator;
    } else if (arg.starts_with("--")) {
      return UsageError("read: unknown or incomplete option '" + arg + "'");
    } else if (address.empty()) {
      address = Utf8ToGbk(arg);
    } else {
      return UsageError("read: more than one URL ('" + arg + "')");
    }
  }
  if (address.empty()) return UsageError("read: URL is missing");
  if (directory.empty()) directory = RunDirectory();
  if (!DirectoryExists(directory)) {
    std::fprintf(stderr, "plexaro-cli: '%s' is not a directory\n", GbkToUtf8(directory).c_str());
    return 1;
  }
  Text cacheDirectory = directory + gbk("速阅缓存") + kPathSeparator;
  ByteSet cached;
  if (ReadWholeFile(QuickReadCachePath(cacheDirectory, address), cached) && !cached.empty()) {
    PrintUtf8(cached.substr(0, cached.find('\0')));
    return 0;
  }
  std::unique_ptr<QuickReadFetcher> fetcher = MakeNetworkFetcher(nullptr);
  std::optional<Text> content =
      RunQuickReadWorker(address, cacheDirectory, *fetcher, [] { return false; });
  PrintUtf8(content.value_or(Text()));
  return 0;
}

}  // namespace plexaro
