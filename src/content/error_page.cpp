// Custom error pages: the first entry for the code whose file exists.
#include "content/error_page.h"

#include "config/settings.h"
#include "platform/files.h"

namespace ruz {

std::string FindErrorPage(const ServerSettings &settings, int code) {
  if (!settings.errpage) return {};
  for (const ErrorPageEntry &entry : settings.errorPages) {
    if (entry.errcode != code) continue;
    std::string path = ExeRelativePath(entry.errfile);
    if (GetFileInfo(path).exists) return path;
  }
  return {};
}

}  // namespace ruz
