// Sizes and speeds of a download in progress.
#include "common/transfer_progress.h"

#include <algorithm>
#include <cstdio>

namespace ruz {

namespace {

constexpr const char *kUnits[] = {"B", "KB", "MB", "GB", "TB"};
constexpr double kStep = 1024.0;

// value in the largest unit that keeps it below 1000 (or the last unit), with
// digits significant digits, never in exponent form.
std::string Scaled(double value, int digits) {
  std::size_t unit = 0;
  while (value >= 1000.0 && unit + 1 < std::size(kUnits)) {
    value /= kStep;
    ++unit;
  }
  int decimals = 0;
  if (unit > 0) {
    const int integerDigits = value >= 100.0 ? 3 : value >= 10.0 ? 2 : 1;
    decimals = std::max(0, digits - integerDigits);
  }
  char text[48];
  std::snprintf(text, sizeof text, "%.*f %s", decimals, value, kUnits[unit]);
  return text;
}

}  // namespace

std::string FormatTransferProgress(std::uint64_t sent, std::uint64_t size,
                                   std::uint64_t elapsedMs) {
  const std::uint64_t percent = size == 0 ? 100 : std::min<std::uint64_t>(100, sent * 100 / size);
  std::string text = Scaled(static_cast<double>(sent), 3) + " / " +
                     Scaled(static_cast<double>(size), 3) + " " + std::to_string(percent) + "%";
  if (elapsedMs > 0) {
    const double perSecond = static_cast<double>(sent) * 1000.0 / static_cast<double>(elapsedMs);
    text += "  " + Scaled(perSecond, 2) + "/s";
  }
  return text;
}

}  // namespace ruz
