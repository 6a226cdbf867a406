// The program's own files that the server never hands to a client.
#pragma once

#include <array>

#include "config/settings.h"
#include "platform/files.h"

namespace ruz {

/// The settings file, its backup and the access-log file, as they are on disk
/// when constructed. Files are compared by identity, so another spelling, a
/// symbolic link or a hard link of them is private as well. Directories are
/// never private.
class PrivateFiles {
 public:
  PrivateFiles() = default;  // none
  explicit PrivateFiles(const ServerSettings &settings);
  bool Contains(const FileInfo &file) const;

 private:
  std::array<FileInfo, 3> files_;
};

/// PrivateFiles(settings).Contains(file), for a single check.
bool IsPrivateFile(const ServerSettings &settings, const FileInfo &file);

}  // namespace ruz
