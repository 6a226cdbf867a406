// The program's own files that the server never hands to a client.
#include "config/private_files.h"

#include <algorithm>

namespace ruz {

namespace {

std::string LogPath(const ServerSettings &settings) { return ExeRelativePath(settings.logname); }

}  // namespace

PrivateFiles::PrivateFiles(const ServerSettings &settings) {
  const std::string ini = IniPath();
  files_ = {GetFileInfo(ini), GetFileInfo(ini + ".bak"), GetFileInfo(LogPath(settings))};
  logIndex_ = 2;
  // The key and certificate are read or written only with HTTPS, but a file at
  // those paths is the server's whether or not this start uses it.
  for (const std::string *path : {&settings.tlskey, &settings.tlscert}) {
    if (!path->empty()) files_.push_back(GetFileInfo(*path));
  }
}

bool PrivateFiles::Contains(const FileInfo &file) const {
  if (!file.exists || file.isDirectory) return false;
  return std::any_of(files_.begin(), files_.end(),
                     [&](const FileInfo &known) { return IsSameFile(file, known); });
}

void PrivateFiles::RefreshLog(const ServerSettings &settings) {
  files_[logIndex_] = GetFileInfo(LogPath(settings));
}

bool IsPrivateFile(const ServerSettings &settings, const FileInfo &file) {
  return PrivateFiles(settings).Contains(file);
}

}  // namespace ruz
