// plexaro-cli parse FILE --source N [--keyword K] [--in-title] [--complete]
#include <cstdio>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/result_parser.h"
#include "web/charset.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {

int RunParseCommand(const Arguments& arguments) {
  std::string file;
  MonitorConfig config;
  config.dataSource = -1;
  Text keyword;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    bool hasValue = i + 1 < arguments.size();
    if (arg == "--source" && hasValue) {
      const std::string& value = arguments[++i];
      if (value.size() != 1 || value[0] < '0' || value[0] > '3') {
        return UsageError("--source takes 0, 1, 2 or 3, not '" + value + "'");
      }
      config.dataSource = value[0] - '0';
    } else if (arg == "--keyword" && hasValue) {
      keyword = Utf8ToGbk(arguments[++i]);
    } else if (arg == "--in-title") {
      config.keywordInTitle = true;
    } else if (arg == "--complete") {
      config.completeMatch = true;
    } else if (arg.starts_with("--")) {
      return UsageError("parse: unknown or incomplete option '" + arg + "'");
    } else if (file.empty()) {
      file = arg;
    } else {
      return UsageError("parse: more than one FILE ('" + arg + "')");
    }
  }
  if (file.empty()) return UsageError("parse: FILE is missing");
  if (config.dataSource < 0) return UsageError("parse: --source is missing");
  ByteSet body;
  if (!ReadWholeFile(TextPath(file), body)) {
    std::fprintf(stderr, "plexaro-cli: cannot read '%s'\n", file.c_str());
    return 1;
  }
  ResultParser parser;
  long count = parser.FindResultBlocks(DecodeBody(body));
  for (long k = 1; k <= count; ++k) {
    if (auto hit = parser.ParseHit(k, config, keyword)) {
      std::puts(JsonLine({{"title", hit->title}, {"address", hit->address}, {"time", hit->time}})
                    .c_str());
    }
  }
  return 0;
}

}  // namespace plexaro
