// Appending to a file that is opened and closed for every write.
#pragma once

#include <string_view>

namespace ruz {

/// Opens path (creating it when missing), appends content in one write and
/// closes it. Silently does nothing when the file cannot be opened.
void AppendToFile(std::string_view path, std::string_view content);

}  // namespace ruz
