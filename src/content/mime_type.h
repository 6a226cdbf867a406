// Content types from the MIME table of the settings.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

struct ServerSettings;

/// Index of the first MIME entry whose extension list holds extension; -1 when none.
int FindMimeType(const ServerSettings &settings, std::string_view extension);

/// The MIME type for path by its extension, or defmime when no entry lists it.
std::string ContentTypeFor(const ServerSettings &settings, std::string_view path);

}  // namespace ruz
