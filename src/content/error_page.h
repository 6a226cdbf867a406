// Choosing the custom error page for a status code.
#pragma once

#include <string>

namespace ruz {

struct ServerSettings;

/// The path of the first configured page for code whose file exists, resolved
/// against the program directory; empty when error pages are off or none fits.
std::string FindErrorPage(const ServerSettings &settings, int code);

}  // namespace ruz
