// Wall-clock and tick-count time.
#pragma once

#include <cstdint>

namespace ruz {

/// A calendar date and time, broken down like the system clock reports it.
struct DateTime {
  int year = 0;
  int month = 0;      // 1-12
  int dayOfWeek = 0;  // 0 = Sunday
  int day = 0;        // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
};

/// Now, in the local time zone (TZ) and in UTC.
DateTime GetLocalDateTime();
DateTime GetUtcDateTime();

/// Seconds since the epoch, broken down in UTC or in local time.
DateTime UtcFromEpoch(std::int64_t seconds);
DateTime LocalFromEpoch(std::int64_t seconds);

/// Seconds since the epoch of a UTC date and time (dayOfWeek is ignored).
std::int64_t EpochFromUtc(const DateTime &utc);

/// The local time zone's standard-time abbreviation (e.g. "JST", "CET" also
/// in summer), for %Z.
const char *LocalTimeZoneName();

/// A millisecond counter that wraps modulo 2^32, as the system tick count does.
std::uint32_t TickCount();

}  // namespace ruz
