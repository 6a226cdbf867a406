// FormatTime in the "C" locale of the Windows runtime.
#include <gtest/gtest.h>

#include <clocale>

#include "common/format_time.h"

namespace ruz {
namespace {

// Sunday, 6 December 2026, 14:05:09.
DateTime Sample() {
  DateTime t;
  t.year = 2026;
  t.month = 12;
  t.day = 6;
  t.dayOfWeek = 0;
  t.hour = 14;
  t.minute = 5;
  t.second = 9;
  return t;
}

TEST(FormatTimeTest, FormatsEveryDirective) {
  const std::pair<const char *, const char *> cases[] = {
      {"%a %A %b %B", "Sun Sunday Dec December"},
      {"%c", "12/06/26 14:05:09"},
      {"%x|%X", "12/06/26|14:05:09"},
      {"%d %H %I %j %m %M %p %S", "06 14 02 340 12 05 PM 09"},
      {"%U %w %W %y %Y %%", "49 0 48 26 2026 %"},
      {"%#d %#H %#I %#j %#m %#M %#S %#y", "6 14 2 340 12 5 9 26"},
      {"%#c", "Sunday, December 06, 2026 14:05:09"},
      {"%#x", "Sunday, December 06, 2026"},
      {"[%Day%]", ""},  // %D is unknown
      {"plain text", "plain text"},
      {"", ""},
  };
  for (const auto &[format, expected] : cases) {
    std::string out;
    FormatTime(out, 256, format, Sample());
    EXPECT_EQ(out, expected) << format;
  }
}

TEST(FormatTimeTest, UnknownDirectivesAndOverflowGiveTheEmptyText) {
  for (const char *format : {"%e", "%F", "%T", "%Q", "abc%", "%#"}) {
    std::string out = "stale";
    EXPECT_EQ(FormatTime(out, 256, format, Sample()), 0) << format;
    EXPECT_EQ(out, "") << format;
  }
  std::string out;
  EXPECT_EQ(FormatTime(out, 5, "%Y", Sample()), 1);
  EXPECT_EQ(out, "2026");
  EXPECT_EQ(FormatTime(out, 4, "%Y", Sample()), 0);
  EXPECT_EQ(out, "");
}

TEST(FormatTimeTest, CountsDaysAndWeeksAcrossTheYear) {
  DateTime t = Sample();
  t.year = 2024, t.month = 3, t.day = 1, t.dayOfWeek = 5, t.hour = 0;  // leap year
  std::string out;
  FormatTime(out, 64, "%j %U %W %I %p", t);
  EXPECT_EQ(out, "061 08 09 12 AM");
  t.year = 2023, t.month = 1, t.day = 1, t.dayOfWeek = 0;  // a Sunday
  FormatTime(out, 64, "%j %U %W", t);
  EXPECT_EQ(out, "001 01 00");
}

TEST(FormatTimeTest, IgnoresTheProcessLocale) {
  const char *previous = std::setlocale(LC_TIME, nullptr);
  std::string saved = previous != nullptr ? previous : "C";
  std::setlocale(LC_TIME, "");  // whatever the environment says
  std::string out;
  FormatTime(out, 64, "%a %B %p", Sample());
  std::setlocale(LC_TIME, saved.c_str());
  EXPECT_EQ(out, "Sun December PM");
}

}  // namespace
}  // namespace ruz
