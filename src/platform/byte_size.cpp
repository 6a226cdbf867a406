// Short byte sizes: three significant digits, truncated, 1024-based units.
#include "platform/byte_size.h"

#include <cstdio>
#include <iterator>

namespace ruz {

std::string FormatByteSize(std::uint64_t size) {
  char buffer[32];
  if (size < 1024) {
    std::snprintf(buffer, sizeof buffer, "%llu bytes", static_cast<unsigned long long>(size));
    return buffer;
  }
  static constexpr const char *kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  // A unit is used up to 1000 of it (not 1024): 1000 KB is already "0.97 MB".
  unsigned unit = 0;
  unsigned __int128 divisor = 1024;
  while (unit + 1 < std::size(kUnits) && size >= divisor * 1000) {
    divisor *= 1024;
    ++unit;
  }
  auto hundredths = static_cast<unsigned long long>(size * static_cast<unsigned __int128>(100) / divisor);
  if (hundredths < 1000) {
    std::snprintf(buffer, sizeof buffer, "%llu.%02llu %s", hundredths / 100, hundredths % 100, kUnits[unit]);
  } else if (hundredths < 10000) {
    std::snprintf(buffer, sizeof buffer, "%llu.%llu %s", hundredths / 100, hundredths / 10 % 10, kUnits[unit]);
  } else {
    std::snprintf(buffer, sizeof buffer, "%llu %s", hundredths / 100, kUnits[unit]);
  }
  return buffer;
}

}  // namespace ruz
