// The start-up trim of the document root, shared by both front ends.
#pragma once

#include <string>

namespace ruz {

/// Removes one trailing "/" from root, unless root is "/" itself (which would
/// otherwise become the empty text). Only at start-up; restarts keep the
/// reloaded root as it is.
void TrimRootSlash(std::string &root);

}  // namespace ruz
