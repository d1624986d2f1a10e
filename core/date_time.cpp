#include "core/date_time.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace plexaro {
namespace {

std::tm LocalTime(std::time_t time) {
  std::tm fields{};
  localtime_r(&time, &fields);
  return fields;
}

Text TwoDigits(int value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d", value);
  return digits;
}

// Reads a millisecond value the way the script engine converts a string to a number:
// surrounding blanks allowed, the whole rest must be numeric; nothing otherwise.
std::optional<double> ParseMilliseconds(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  size_t end = text.find_last_not_of(" \t\r\n");
  if (begin == std::string_view::npos) return std::nullopt;
  std::string number(text.substr(begin, end - begin + 1));
  char* stop = nullptr;
  double value = std::strtod(number.c_str(), &stop);
  if (stop != number.c_str() + number.size() || !std::isfinite(value)) return std::nullopt;
  constexpr double kMaxMilliseconds = 8.64e15;  // the script engine's date range
  if (std::fabs(value) > kMaxMilliseconds) return std::nullopt;
  return std::trunc(value);
}

}  // namespace

Text FormatDateTime(int kind, std::string_view templateText, std::optional<std::time_t> time) {
  static const char* const kTemplates[] = {"#1-#2-#3 #4:#5:#6", "#1-#2-#3", "#4:#5:#6"};
  Text pattern(templateText);
  if (kind >= kDateAndTime && kind <= kTimeOnly) {
    pattern = kTemplates[kind];
    if (!templateText.empty()) pattern = ReplaceAll(pattern, ":", templateText);
  }
  std::tm fields = LocalTime(time ? *time : std::time(nullptr));
  const int values[] = {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
                        fields.tm_hour,        fields.tm_min,     fields.tm_sec};
  for (int i = 0; i < 6; ++i) {
    pattern = ReplaceAll(pattern, "#" + std::to_string(i + 1), TwoDigits(values[i]));
  }
  return pattern;
}

Text TimestampToText(std::string_view text) {
  std::string value(text);
  if (value.size() == 10) value += "000";
  std::optional<double> milliseconds = ParseMilliseconds(value);
  if (!milliseconds) return Text(text);
  std::time_t seconds = std::time_t(std::floor(*milliseconds / 1000));
  std::tm fields = LocalTime(seconds);
  char out[64];
  std::snprintf(out, sizeof out, "%d-%d-%d %02d:%02d:%02d", fields.tm_year + 1900,
                fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
  return out;
}

}  // namespace plexaro
