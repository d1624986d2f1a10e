#include "settings/value_format.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <string>

#include "settings/store_text.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return locale;
}

const Text& LineBreakMark() {
  return gbk("┊*┊");
}

// Reads an optionally signed decimal integer of at most 9 digits at `at`.
bool ReadInt(std::string_view text, size_t& at, int& value) {
  size_t start = at;
  bool negative = at < text.size() && text[at] == '-';
  if (negative) ++at;
  long result = 0;
  size_t digits = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 9) {
    result = result * 10 + (text[at++] - '0');
    ++digits;
  }
  if (digits == 0 || (at < text.size() && text[at] >= '0' && text[at] <= '9')) {
    at = start;
    return false;
  }
  value = int(negative ? -result : result);
  return true;
}

// Reads an integer followed by the unit mark `unit`.
bool ReadPart(std::string_view text, size_t& at, std::string_view unit, int& value) {
  size_t start = at;
  if (ReadInt(text, at, value) && text.substr(at, unit.size()) == unit) {
    at += unit.size();
    return true;
  }
  at = start;
  return false;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsValid(const DateTime& t) {
  return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) &&
         t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
         t.second <= 59;
}

}  // namespace

Text FormatNumber(double value) {
  char buffer[64];
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
  return Text(buffer, result.ptr);
}

double ParseNumber(std::string_view text) {
  // strtod needs a terminated string and stops at the first zero byte, as atof does.
  std::string terminated(text.substr(0, text.find('\0')));
  return strtod_l(terminated.c_str(), nullptr, CLocale());
}

const Text& FormatBool(bool value) {
  return value ? gbk("真") : gbk("假");
}
bool IsTrueText(std::string_view text) {
  return text == gbk("真");
}
bool IsFalseText(std::string_view text) {
  return text == gbk("假");
}

Text FormatDateTime(const DateTime& value) {
  auto part = [](int number, const char* unit) { return std::to_string(number) + gbk(unit); };
  Text out = part(value.year, "年") + part(value.month, "月") + part(value.day, "日");
  if (value.second != 0) {
    out += part(value.hour, "时") + part(value.minute, "分") + part(value.second, "秒");
  } else if (value.minute != 0) {
    out += part(value.hour, "时") + part(value.minute, "分");
  } else if (value.hour != 0) {
    out += part(value.hour, "时");
  }
  return out;
}

bool ParseDateTime(std::string_view text, DateTime& out) {
  DateTime t;
  size_t at = 0;
  if (!ReadPart(text, at, gbk("年"), t.year) || !ReadPart(text, at, gbk("月"), t.month) ||
      !ReadPart(text, at, gbk("日"), t.day)) {
    return false;
  }
  if (ReadPart(text, at, gbk("时"), t.hour) && ReadPart(text, at, gbk("分"), t.minute)) {
    ReadPart(text, at, gbk("秒"), t.second);
  }
  if (at != text.size() || !IsValid(t)) return false;
  out = t;
  return true;
}

Text EscapeLineBreaks(std::string_view value) {
  return ReplaceBytes(value, kLineBreak, LineBreakMark());
}

Text UnescapeLineBreaks(std::string_view stored) {
  return ReplaceBytes(stored, LineBreakMark(), kLineBreak);
}

}  // namespace plexaro
