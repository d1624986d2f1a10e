// The text forms of the store's typed values: numbers, booleans, dates and line breaks
// inside text values. All forms are independent of the process locale.
#pragma once

#include <string_view>

#include "web/text.h"

namespace plexaro {

// A calendar date and time of day as the store writes it (no time zone).
struct DateTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// printf "%.13g" in the C locale: 20 -> "20", 0.5 -> "0.5", 1e20 -> "1e+20".
Text FormatNumber(double value);
// Like atof in the C locale: leading blanks, then the longest leading number (decimal,
// hexadecimal, "inf", "nan"); 0 when the text does not start with one.
double ParseNumber(std::string_view text);

// "真" for true, "假" for false (GBK).
const Text& FormatBool(bool value);
bool IsTrueText(std::string_view text);   // exactly "真"
bool IsFalseText(std::string_view text);  // exactly "假"

// "%d年%d月%d日" followed by "%d时%d分%d秒" when the seconds are not zero, else
// "%d时%d分" when the minutes are not zero, else "%d时" when the hour is not zero.
Text FormatDateTime(const DateTime& value);
// Reads the form above (time parts optional, in that order, nothing after them) into
// `out`; false, `out` unchanged, for any other text or an impossible date or time.
bool ParseDateTime(std::string_view text, DateTime& out);

// CR LF inside a text value is stored as "┊*┊" (GBK); nothing else is escaped. Both
// directions compare bytes exactly, so a value ending in half a character before its
// line break still has that line break escaped and gets it back.
Text EscapeLineBreaks(std::string_view value);
Text UnescapeLineBreaks(std::string_view stored);

}  // namespace plexaro
