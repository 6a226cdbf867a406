// The program's own files that the server never hands to a client.
#pragma once

#include <cstddef>
#include <vector>

#include "config/settings.h"
#include "platform/files.h"

namespace ruz {

/// Every file the server itself writes: the settings file and its backup, the
/// access log, and the TLS key and certificate (configured or generated), as
/// they are on disk when constructed. Files are compared by identity, so
/// another spelling, a symbolic link or a hard link of them is private as well;
/// a copy is a file of its own. Directories are never private. Build it once
/// per server start; RefreshLog after the log file was created or reopened.
class PrivateFiles {
 public:
  PrivateFiles() = default;  // none
  explicit PrivateFiles(const ServerSettings &settings);
  bool Contains(const FileInfo &file) const;
  /// Takes the log's identity again (the log is created by its first line).
  void RefreshLog(const ServerSettings &settings);

 private:
  std::vector<FileInfo> files_;
  std::size_t logIndex_ = 0;
};

/// PrivateFiles(settings).Contains(file), for a single check.
bool IsPrivateFile(const ServerSettings &settings, const FileInfo &file);

}  // namespace ruz
