// How plexaro-cli prints: GBK texts become UTF-8 lines, as tab-separated fields or as
// one JSON object per line.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "web/text.h"

namespace plexaro {

using Fields = std::vector<std::pair<const char*, Text>>;  // key, GBK value

// {"key":"value",...} with the values in UTF-8 and JSON escapes.
std::string JsonLine(const Fields& fields);
// The values in UTF-8 joined by tabs (tabs and line breaks inside a value become spaces).
std::string TabLine(const Fields& fields);

}  // namespace plexaro
