#include "settings/value_format.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>
#include <limits>

#include "web/gbk.h"

namespace plexaro {
namespace {

TEST(FormatNumber, PrintsThirteenSignificantDigits) {
  const std::pair<double, const char*> cases[] = {
      {20, "20"},
      {0.5, "0.5"},
      {1e20, "1e+20"},
      {0, "0"},
      {-3.25, "-3.25"},
      {1.0 / 3, "0.3333333333333"},
      {123456789012345.0, "1.234567890123e+14"},
      {1e-5, "1e-05"},
      {std::numeric_limits<double>::infinity(), "inf"},
  };
  for (auto [value, text] : cases) EXPECT_EQ(FormatNumber(value), text) << value;
}

TEST(FormatNumber, IgnoresTheProcessLocale) {
  // The desktop toolkit sets the locale from the environment; a comma must not appear.
  const char* previous = setlocale(LC_NUMERIC, "de_DE.UTF-8");
  if (!previous) GTEST_SKIP() << "de_DE locale not installed";
  EXPECT_EQ(FormatNumber(0.5), "0.5");
  EXPECT_DOUBLE_EQ(ParseNumber("0.5"), 0.5);
  setlocale(LC_NUMERIC, "C");
}

TEST(ParseNumber, ReadsTheLeadingNumberLikeAtof) {
  const std::pair<const char*, double> cases[] = {
      {"20", 20}, {" \t-1.5e2x", -150}, {"0x10", 16}, {"+.5", 0.5}, {"", 0},
      {"abc", 0}, {"1,5", 1},           {"1e", 1},    {"真", 0},    {"12\x81", 12},
  };
  for (auto [text, value] : cases) EXPECT_DOUBLE_EQ(ParseNumber(text), value) << text;
  EXPECT_DOUBLE_EQ(ParseNumber(std::string("7\0 8", 4)), 7);
  EXPECT_TRUE(std::isinf(ParseNumber("inf")));
}

TEST(FormatBool, UsesTheChineseWordsAndTestsThemExactly) {
  EXPECT_EQ(FormatBool(true), gbk("真"));
  EXPECT_EQ(FormatBool(false), gbk("假"));
  EXPECT_TRUE(IsTrueText(gbk("真")));
  EXPECT_FALSE(IsTrueText("1"));
  EXPECT_FALSE(IsTrueText(gbk("真 ")));
  EXPECT_TRUE(IsFalseText(gbk("假")));
  EXPECT_FALSE(IsFalseText(""));
}

TEST(FormatDateTime, DropsTrailingZeroTimeParts) {
  const std::pair<DateTime, const char*> cases[] = {
      {{2024, 1, 2, 0, 0, 0}, "2024年1月2日"},
      {{2024, 1, 2, 13, 0, 0}, "2024年1月2日13时"},
      {{2024, 1, 2, 0, 5, 0}, "2024年1月2日0时5分"},
      {{2024, 12, 31, 23, 59, 59}, "2024年12月31日23时59分59秒"},
      {{2024, 1, 2, 0, 0, 7}, "2024年1月2日0时0分7秒"},
  };
  for (auto [value, text] : cases) {
    EXPECT_EQ(FormatDateTime(value), gbk(text)) << text;
    DateTime back;
    EXPECT_TRUE(ParseDateTime(gbk(text), back)) << text;
    EXPECT_EQ(back, value) << text;
  }
}

TEST(ParseDateTime, RejectsOtherTextsAndImpossibleDates) {
  const char* bad[] = {"",
                       "2024年1月",
                       "2024年13月1日",
                       "2023年2月29日",
                       "2024年1月2日24时",
                       "2024年1月2日5分",
                       "2024年1月2日1时2分3秒x",
                       "2024-01-02",
                       "x2024年1月2日",
                       "2024年1月2日1时60分"};
  for (const char* text : bad) {
    DateTime value{1, 1, 1, 0, 0, 0};
    EXPECT_FALSE(ParseDateTime(gbk(text), value)) << text;
    EXPECT_EQ(value, (DateTime{1, 1, 1, 0, 0, 0}));
  }
  DateTime leap;
  EXPECT_TRUE(ParseDateTime(gbk("2024年2月29日"), leap));
}

TEST(LineBreakEscape, StoresCrLfAsMarkAndBack) {
  const Text mark = gbk("┊*┊");
  EXPECT_EQ(EscapeLineBreaks("x\r\ny"), "x" + mark + "y");
  EXPECT_EQ(UnescapeLineBreaks("x" + mark + "y"), "x\r\ny");
  // Lone CR or LF are not escaped; they are bytes of the value like any other.
  EXPECT_EQ(EscapeLineBreaks("a\rb\nc"), "a\rb\nc");
  // Half a character before the line break must not keep it from being escaped: a raw
  // CR LF in the stored text would start a new line of the file.
  Text odd = "v\x81\r\nk=1";
  Text stored = EscapeLineBreaks(odd);
  EXPECT_EQ(stored.find("\r\n"), Text::npos);
  EXPECT_EQ(UnescapeLineBreaks(stored), odd);
}

}  // namespace
}  // namespace plexaro
