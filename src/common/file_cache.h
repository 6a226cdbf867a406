// Small files kept in memory by path: what a path names is looked up in the
// file system at most once per revalidation interval, and a small regular
// file's content is read again only when the file changed.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/files.h"

namespace ruz {

/// What a path named when it was last looked at.
struct CachedFile {
  FileInfo info;  // exists is false when nothing was there
  /// The whole content of a small regular file; none for anything else.
  std::shared_ptr<const std::string> content;
};

struct FileCacheLimits {
  std::size_t largestFile = 0;  // bytes; larger files are never kept
  std::size_t totalBytes = 0;   // of all content kept
  std::size_t entries = 0;
  std::chrono::milliseconds revalidateAfter{1000};
};

/// Thread-safe. A file changed on disk is seen at the first look after the
/// revalidation interval; its identity, size and change time tell a change.
class FileCache {
 public:
  explicit FileCache(const FileCacheLimits &limits);
  FileCache(const FileCache &) = delete;
  FileCache &operator=(const FileCache &) = delete;

  CachedFile Look(std::string_view path);

 private:
  struct Entry {
    CachedFile file;
    std::chrono::steady_clock::time_point checkedAt;
  };

  CachedFile Load(std::string_view path, const CachedFile *before);
  void Keep(std::string_view path, const CachedFile &file, std::chrono::steady_clock::time_point now);
  void MakeRoom(std::size_t contentBytes);

  const FileCacheLimits limits_;
  std::shared_mutex mutex_;  // shared for looking, alone for keeping
  std::unordered_map<std::string, Entry> entries_;
  std::size_t contentBytes_ = 0;
};

}  // namespace ruz
