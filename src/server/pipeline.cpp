// The pure checks of the request pipeline.
#include "server/pipeline.h"

namespace ruz {

bool IsSupportedMethod(std::string_view method) {
  return method == "GET" || method == "POST" || method == "HEAD";
}

bool HasValidPathForm(std::string_view path) {
  if (path.empty() || path.front() != '/') return false;
  if (path.back() == '.' || path.back() == ' ') return false;
  if (path.find("../") != std::string_view::npos || path.find("..\\") != std::string_view::npos) {
    return false;
  }
  for (unsigned char c : path) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::string_view LastExtension(std::string_view path) {
  std::size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

bool IsAbsoluteIndexItem(std::string_view item) { return !item.empty() && item.front() == '/'; }

}  // namespace ruz
