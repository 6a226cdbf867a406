#include "ui/options/option_values.h"

#include <cstdint>

namespace ruz {

int LeadingInt(std::string_view text) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) i = 1;
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

std::string CommaForm(std::string_view list) {
  std::string out;
  out.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == '\r' && i + 1 < list.size() && list[i + 1] == '\n') ++i;
    out += (list[i] == '\r' || list[i] == '\n') ? ',' : list[i];
  }
  return out;
}

}  // namespace ruz
