// strftime as the Windows runtime does it in its "C" locale, written out here
// so that the process locale (which the window sets) never changes the result.
#include "common/format_time.h"

#include <cstdio>

namespace ruz {
namespace {

constexpr const char *kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
constexpr const char *kMonths[] = {"January", "February", "March",     "April",
                                   "May",     "June",     "July",      "August",
                                   "September", "October", "November", "December"};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DayOfYear(const DateTime &t) {  // 0 = 1 January
  static constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int month = t.month >= 1 && t.month <= 12 ? t.month : 1;
  return kBefore[month - 1] + (month > 2 && IsLeapYear(t.year)) + t.day - 1;
}

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }
const char *DayName(const DateTime &t) { return kDays[Clamp(t.dayOfWeek, 0, 6)]; }
const char *MonthName(const DateTime &t) { return kMonths[Clamp(t.month, 1, 12) - 1]; }

// A number with at least digits digits; the "#" flag drops the leading zeros.
void AppendNumber(std::string &out, int value, int digits, bool alternate) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", alternate ? 1 : digits, value);
  out += buffer;
}

void AppendAbbreviation(std::string &out, const char *name) { out.append(name, 3); }

int Hour12(const DateTime &t) { return t.hour % 12 == 0 ? 12 : t.hour % 12; }

// Week of the year with weeks starting on Sunday (firstDay 0) or Monday (1).
int WeekOfYear(const DateTime &t, int firstDay) {
  int weekday = (Clamp(t.dayOfWeek, 0, 6) + 7 - firstDay) % 7;
  return (DayOfYear(t) + 7 - weekday) / 7;
}

bool AppendDirective(std::string &out, char directive, bool alternate, const DateTime &t);

void AppendSequence(std::string &out, const char *directives, bool alternate, const DateTime &t) {
  for (const char *d = directives; *d != '\0'; ++d) {
    if (*d == '%') {
      AppendDirective(out, *++d, alternate, t);
    } else {
      out += *d;
    }
  }
}

// Appends one directive's text; false when the directive is unknown.
bool AppendDirective(std::string &out, char directive, bool alternate, const DateTime &t) {
  switch (directive) {
    case 'a': AppendAbbreviation(out, DayName(t)); return true;
    case 'A': out += DayName(t); return true;
    case 'b': AppendAbbreviation(out, MonthName(t)); return true;
    case 'B': out += MonthName(t); return true;
    case 'c': AppendSequence(out, alternate ? "%A, %B %d, %Y %H:%M:%S" : "%m/%d/%y %H:%M:%S", false, t); return true;
    case 'x': AppendSequence(out, alternate ? "%A, %B %d, %Y" : "%m/%d/%y", false, t); return true;
    case 'X': AppendSequence(out, "%H:%M:%S", alternate, t); return true;
    case 'd': AppendNumber(out, t.day, 2, alternate); return true;
    case 'H': AppendNumber(out, t.hour, 2, alternate); return true;
    case 'I': AppendNumber(out, Hour12(t), 2, alternate); return true;
    case 'j': AppendNumber(out, DayOfYear(t) + 1, 3, alternate); return true;
    case 'm': AppendNumber(out, t.month, 2, alternate); return true;
    case 'M': AppendNumber(out, t.minute, 2, alternate); return true;
    case 'S': AppendNumber(out, t.second, 2, alternate); return true;
    case 'U': AppendNumber(out, WeekOfYear(t, 0), 2, alternate); return true;
    case 'W': AppendNumber(out, WeekOfYear(t, 1), 2, alternate); return true;
    case 'w': AppendNumber(out, t.dayOfWeek, 1, alternate); return true;
    case 'y': AppendNumber(out, t.year % 100, 2, alternate); return true;
    case 'Y': AppendNumber(out, t.year, 4, alternate); return true;
    case 'p': out += t.hour < 12 ? "AM" : "PM"; return true;
    case 'z':
    case 'Z': out += LocalTimeZoneName(); return true;
    case '%': out += '%'; return true;
    default: return false;
  }
}

}  // namespace

int FormatTime(std::string &out, std::size_t capacity, std::string_view format, const DateTime &t) {
  std::string result;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      result += format[i];
      continue;
    }
    bool alternate = i + 1 < format.size() && format[i + 1] == '#';
    if (alternate) ++i;
    if (i + 1 >= format.size() || !AppendDirective(result, format[++i], alternate, t)) {
      out.clear();
      return 0;
    }
  }
  if (result.size() + 1 > capacity) {
    out.clear();
    return 0;
  }
  out = std::move(result);
  return 1;
}

}  // namespace ruz
