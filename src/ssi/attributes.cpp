// Reading one name="value" attribute out of a directive's attributes text.
#include "ssi/attributes.h"

namespace ruz {

int GetSsiAttribute(std::string_view attributes, std::string &value, std::string_view name) {
  std::string search;
  search.reserve(name.size() + 3);
  search.append(" ").append(name).append("=\"");
  const std::size_t at = attributes.find(search);
  if (at == std::string_view::npos) {
    value.clear();
    return 0;
  }
  const std::size_t begin = at + search.size();
  const std::size_t end = attributes.find('"', begin);
  value.assign(attributes.substr(begin, end == std::string_view::npos ? end : end - begin));
  return 1;
}

}  // namespace ruz
