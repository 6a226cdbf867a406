#include "ui/options/option_values.h"

#include <cstdint>

namespace ruz {

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
