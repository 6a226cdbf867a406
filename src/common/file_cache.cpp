// Small files kept in memory by path.
#include "common/file_cache.h"

namespace ruz {

namespace {

bool Unchanged(const FileInfo &a, const FileInfo &b) {
  return a.exists == b.exists && a.isDirectory == b.isDirectory && IsSameFile(a, b) &&
         a.size == b.size && a.mtime == b.mtime && a.changeNs == b.changeNs;
}

std::size_t ContentSize(const CachedFile &file) {
  return file.content != nullptr ? file.content->size() : 0;
}

}  // namespace

FileCache::FileCache(const FileCacheLimits &limits) : limits_(limits) {}

CachedFile FileCache::Look(std::string_view path) {
  const auto now = std::chrono::steady_clock::now();
  CachedFile before;
  bool known = false;
  {
    std::shared_lock lock(mutex_);
    const auto found = entries_.find(std::string(path));
    if (found != entries_.end()) {
      if (now - found->second.checkedAt < limits_.revalidateAfter) return found->second.file;
      before = found->second.file;
      known = true;
    }
  }
  const CachedFile file = Load(path, known ? &before : nullptr);
  Keep(path, file, now);
  return file;
}

// What is at path now; the content is read again only when the file changed.
CachedFile FileCache::Load(std::string_view path, const CachedFile *before) {
  CachedFile file;
  file.info = GetFileInfo(path);
  if (!IsExistingFile(file.info) || file.info.size > limits_.largestFile) return file;
  if (before != nullptr && before->content != nullptr && Unchanged(before->info, file.info)) {
    return *before;
  }
  ReadFile opened(path);
  if (!opened.IsOpen()) return file;
  // The open file is what gets served: its own identity counts, not the path's.
  file.info = opened.Info();
  if (!IsExistingFile(file.info) || file.info.size > limits_.largestFile) return file;
  auto content = std::make_shared<std::string>(file.info.size, '\0');
  std::size_t filled = 0;
  while (filled < content->size()) {
    const long long got = opened.ReadAt(content->data() + filled, content->size() - filled, filled);
    if (got <= 0) return CachedFile{file.info, nullptr};  // changed under the read: not kept
    filled += static_cast<std::size_t>(got);
  }
  file.content = std::move(content);
  return file;
}

void FileCache::Keep(std::string_view path, const CachedFile &file,
                     std::chrono::steady_clock::time_point now) {
  std::unique_lock lock(mutex_);
  const std::string key(path);
  auto found = entries_.find(key);
  if (found != entries_.end()) {
    contentBytes_ -= ContentSize(found->second.file);
    entries_.erase(found);
  }
  MakeRoom(ContentSize(file));
  if (entries_.size() >= limits_.entries) return;
  if (contentBytes_ + ContentSize(file) > limits_.totalBytes) return;
  entries_.emplace(key, Entry{file, now});
  contentBytes_ += ContentSize(file);
}

// Drops entries until one more with contentBytes of content fits.
void FileCache::MakeRoom(std::size_t contentBytes) {
  auto it = entries_.begin();
  while (it != entries_.end() && (entries_.size() >= limits_.entries ||
                                  contentBytes_ + contentBytes > limits_.totalBytes)) {
    contentBytes_ -= ContentSize(it->second.file);
    it = entries_.erase(it);
  }
}

}  // namespace ruz
