// The program's own files that the server never hands to a client.
#include "config/private_files.h"

#include <algorithm>

namespace ruz {

PrivateFiles::PrivateFiles(const ServerSettings &settings) {
  const std::string ini = IniPath();
  files_ = {GetFileInfo(ini), GetFileInfo(ini + ".bak"),
            GetFileInfo(ExeRelativePath(settings.logname))};
}

bool PrivateFiles::Contains(const FileInfo &file) const {
  if (!file.exists || file.isDirectory) return false;
  return std::any_of(files_.begin(), files_.end(),
                     [&](const FileInfo &known) { return IsSameFile(file, known); });
}

bool IsPrivateFile(const ServerSettings &settings, const FileInfo &file) {
  return PrivateFiles(settings).Contains(file);
}

}  // namespace ruz
