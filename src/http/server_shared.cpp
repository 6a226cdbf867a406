// The record every connection of a server start shares.
#include "http/server_shared.h"

namespace ruz {

void LogFileIdentity::Set(const FileInfo &file) {
  std::lock_guard lock(mutex_);
  file_ = file;
}

bool LogFileIdentity::Is(const FileInfo &file) const {
  std::lock_guard lock(mutex_);
  return IsExistingFile(file) && IsSameFile(file_, file);
}

bool IsPrivateFile(const ServerShared &shared, const FileInfo &file) {
  return shared.privateFiles.Contains(file) || shared.logFile.Is(file);
}

}  // namespace ruz
