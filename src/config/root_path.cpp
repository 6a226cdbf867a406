#include "config/root_path.h"

namespace ruz {

void TrimRootSlash(std::string &root) {
  if (root.size() > 1 && root.back() == '/') root.pop_back();
}

}  // namespace ruz
