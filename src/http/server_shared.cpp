// The record every connection of a server start shares.
#include "http/server_shared.h"

#include <algorithm>

namespace ruz {

void PrivateFileSet::Watch(const ServerSettings &settings) {
  std::lock_guard lock(mutex_);
  settings_ = &settings;
  atStart_ = PrivateFiles(settings);
  current_ = atStart_;
  nextRefresh_ = std::chrono::steady_clock::now() + kRefreshInterval;
}

void PrivateFileSet::AddLogFile(const FileInfo &file) {
  if (!IsExistingFile(file)) return;
  std::lock_guard lock(mutex_);
  if (logFiles_.size() == kMaxLogFiles) logFiles_.erase(logFiles_.begin());
  logFiles_.push_back(file);
}

bool PrivateFileSet::Contains(const FileInfo &file) const {
  if (!IsExistingFile(file)) return false;
  std::lock_guard lock(mutex_);
  if (settings_ == nullptr) return false;
  const auto now = std::chrono::steady_clock::now();
  if (now >= nextRefresh_) {
    current_ = PrivateFiles(*settings_);
    nextRefresh_ = now + kRefreshInterval;
  }
  return atStart_.Contains(file) || current_.Contains(file) ||
         std::any_of(logFiles_.begin(), logFiles_.end(),
                     [&](const FileInfo &log) { return IsSameFile(log, file); });
}

bool IsPrivateFile(const ServerShared &shared, const FileInfo &file) {
  return shared.privateFiles.Contains(file);
}

}  // namespace ruz
