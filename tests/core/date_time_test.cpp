#include "core/date_time.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace plexaro {
namespace {

// Local time matters here: fix the zone to UTC+8 for every test of this file.
class DateTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TZ");
    saved_ = old ? old : "";
    hadZone_ = old != nullptr;
    setenv("TZ", "CST-8", 1);
    tzset();
  }
  void TearDown() override {
    if (hadZone_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool hadZone_ = false;
};

constexpr std::time_t kMorning = 1417050300;  // 2014-11-27 09:05:00 at UTC+8

TEST_F(DateTimeTest, FormatsFixedAndCustomTemplates) {
  EXPECT_EQ(FormatDateTime(kCustomDateTime, "#4:#5", kMorning), "09:05");
  EXPECT_EQ(FormatDateTime(kDateAndTime, "", kMorning), "2014-11-27 09:05:00");
  EXPECT_EQ(FormatDateTime(kDateOnly, "", kMorning), "2014-11-27");
  EXPECT_EQ(FormatDateTime(kTimeOnly, "", kMorning), "09:05:00");
  EXPECT_EQ(FormatDateTime(kTimeOnly, ".", kMorning), "09.05.00");
  EXPECT_EQ(FormatDateTime(kDateOnly, ".", kMorning), "2014-11-27");
}

TEST_F(DateTimeTest, TimestampsInSecondsOrMilliseconds) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"1417016545", "2014-11-26 23:42:25"},
      {"1417016545000", "2014-11-26 23:42:25"},
      {"1417016545999", "2014-11-26 23:42:25"},
      {"1404144000", "2014-7-1 00:00:00"},  // month and day without leading zeros
      {"", ""},
      {"abc", "abc"},
      {"14170165x5", "14170165x5"},
      {"99999999999999999999", "99999999999999999999"},
  };
  for (const auto& c : cases) EXPECT_EQ(TimestampToText(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace plexaro
