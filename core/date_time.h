// Date and time texts of the result list, in local time.
#pragma once

#include <ctime>
#include <optional>
#include <string_view>

#include "web/text.h"

namespace plexaro {

enum DateTimeKind : int {
  kCustomDateTime = -1,  // the template as given
  kDateAndTime = 0,      // "#1-#2-#3 #4:#5:#6"
  kDateOnly = 1,         // "#1-#2-#3"
  kTimeOnly = 2,         // "#4:#5:#6"
};

// Fills "#1".."#6" with year, month, day, hour, minute and second, each at least two
// digits. For the fixed kinds a non-empty `templateText` replaces every ":" of the
// kind's template; other kinds use `templateText` as it is. `time` defaults to now.
Text FormatDateTime(int kind, std::string_view templateText,
                    std::optional<std::time_t> time = std::nullopt);

// A Unix timestamp text (10 digits: seconds, else milliseconds) as local
// "year-month-day hh:mm:ss", month and day without leading zeros. Text that is not a
// usable timestamp (empty, not a number, out of the date range) comes back unchanged.
Text TimestampToText(std::string_view text);

}  // namespace plexaro
