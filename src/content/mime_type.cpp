// Content types from the MIME table.
#include "content/mime_type.h"

#include "common/lines.h"
#include "config/settings.h"
#include "platform/paths.h"

namespace ruz {

int FindMimeType(const ServerSettings &settings, std::string_view extension) {
  for (std::size_t i = 0; i < settings.mimeTypes.size(); ++i) {
    if (FindLine(settings.mimeTypes[i].extension, extension, false) >= 0) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::string ContentTypeFor(const ServerSettings &settings, std::string_view path) {
  int index = FindMimeType(settings, PathFindExtension(path));
  return index < 0 ? settings.defmime : settings.mimeTypes[index].mimetype;
}

}  // namespace ruz
