// Wall-clock time through the C library's time-zone rules, and a tick counter.
#include "platform/clock.h"

#include <time.h>

#include <chrono>

namespace ruz {
namespace {

DateTime FromTm(const struct tm &tm, int milliseconds) {
  DateTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.dayOfWeek = tm.tm_wday;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.milliseconds = milliseconds;
  return t;
}

struct timespec Now() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return now;
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  std::int64_t yearOfEra = year - era * 400;
  std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

DateTime GetLocalDateTime() {
  struct timespec now = Now();
  struct tm tm;
  localtime_r(&now.tv_sec, &tm);
  return FromTm(tm, static_cast<int>(now.tv_nsec / 1000000));
}

DateTime GetUtcDateTime() {
  struct timespec now = Now();
  struct tm tm;
  gmtime_r(&now.tv_sec, &tm);
  return FromTm(tm, static_cast<int>(now.tv_nsec / 1000000));
}

DateTime UtcFromEpoch(std::int64_t seconds) {
  time_t value = static_cast<time_t>(seconds);
  struct tm tm;
  gmtime_r(&value, &tm);
  return FromTm(tm, 0);
}

DateTime LocalFromEpoch(std::int64_t seconds) {
  time_t value = static_cast<time_t>(seconds);
  struct tm tm;
  localtime_r(&value, &tm);
  return FromTm(tm, 0);
}

std::int64_t EpochFromUtc(const DateTime &utc) {
  return DaysFromCivil(utc.year, utc.month, utc.day) * 86400 + utc.hour * 3600 +
         utc.minute * 60 + utc.second;
}

const char *LocalTimeZoneName() {
  // The standard-time name even in summer, as the runtime's %Z gives it for a
  // time without daylight saving. tm_zone points into the C library's own
  // time-zone tables, which live as long as the process.
  time_t now = time(nullptr);
  struct tm tm;
  for (time_t probe : {now, now - 182 * 86400}) {
    localtime_r(&probe, &tm);
    if (tm.tm_isdst == 0 && tm.tm_zone != nullptr) return tm.tm_zone;
  }
  return tm.tm_zone != nullptr ? tm.tm_zone : "";
}

std::uint32_t TickCount() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
  return static_cast<std::uint32_t>(ms);
}

}  // namespace ruz
