// Import and export of ruz.ini: whole-file copies that never leave the target
// half-written.
#pragma once

#include <string_view>

namespace ruz {

/// Copies the file at from over to: the bytes go to a temporary file in to's
/// directory, which then replaces to. False when from cannot be read or to
/// cannot be written; to is then unchanged. Paths are CP932.
bool CopySettingsFile(std::string_view from, std::string_view to);

}  // namespace ruz
