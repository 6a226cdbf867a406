// Files and directories on POSIX; CP932 paths are converted to UTF-8 here.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/paths.h"
#include "platform/text_codes.h"

namespace ruz {
namespace {

FileInfo InfoFromStat(const struct stat &st) {
  FileInfo info;
  info.exists = true;
  info.isDirectory = S_ISDIR(st.st_mode);
  info.size = static_cast<std::uint64_t>(st.st_size);
  info.mtime = st.st_mtime;
  info.device = static_cast<std::uint64_t>(st.st_dev);
  info.inode = static_cast<std::uint64_t>(st.st_ino);
  constexpr std::int64_t kNsPerSecond = 1'000'000'000;
  info.changeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * kNsPerSecond + st.st_ctim.tv_nsec;
  return info;
}

// Writes every byte, continuing after partial writes and signals.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;  // nothing taken, and no error code to say why
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// An owned descriptor for the helpers below.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;
  int Get() const { return fd_; }
  // Closes now and reports whether the close (the last chance of a write error) worked.
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

class DirectoryHandle {
 public:
  explicit DirectoryHandle(const std::string &path) : dir_(opendir(path.c_str())) {}
  ~DirectoryHandle() {
    if (dir_ != nullptr) closedir(dir_);
  }
  DirectoryHandle(const DirectoryHandle &) = delete;
  DirectoryHandle &operator=(const DirectoryHandle &) = delete;
  DIR *Get() const { return dir_; }

 private:
  DIR *dir_;
};

// The permission bits a replacement should get: the old file's, else 0644.
mode_t ReplacementMode(const std::string &systemPath) {
  struct stat st;
  if (stat(systemPath.c_str(), &st) == 0) return st.st_mode & 07777;
  return 0644;
}

}  // namespace

std::string ToSystemPath(std::string_view cp932Path) { return Cp932ToUtf8(cp932Path); }

bool IsSameFile(const FileInfo &a, const FileInfo &b) {
  return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

FileInfo GetFileInfo(std::string_view path) {
  struct stat st;
  if (stat(ToSystemPath(path).c_str(), &st) != 0) return FileInfo{};
  return InfoFromStat(st);
}

bool ListDirectory(std::string_view path, std::vector<DirEntry> &entries) {
  std::string systemPath = ToSystemPath(path);
  DirectoryHandle dir(systemPath);
  if (dir.Get() == nullptr) return false;
  entries.clear();
  while (struct dirent *entry = readdir(dir.Get())) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    DirEntry item;
    item.name = Utf8ToCp932(name);
    struct stat st;
    if (fstatat(dirfd(dir.Get()), entry->d_name, &st, 0) == 0) item.info = InfoFromStat(st);
    entries.push_back(std::move(item));
  }
  return true;
}

ReadFile::ReadFile(std::string_view path)
    : fd_(open(ToSystemPath(path).c_str(), O_RDONLY | O_CLOEXEC)) {
  if (fd_ >= 0 && Info().isDirectory) {
    close(fd_);
    fd_ = -1;
  }
}

ReadFile::~ReadFile() {
  if (fd_ >= 0) close(fd_);
}

ReadFile::ReadFile(ReadFile &&other) noexcept : fd_(other.fd_), info_(other.info_) {
  other.fd_ = -1;
  other.info_.reset();
}

ReadFile &ReadFile::operator=(ReadFile &&other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.fd_;
    info_ = other.info_;
    other.fd_ = -1;
    other.info_.reset();
  }
  return *this;
}

long long ReadFile::Read(void *buffer, std::size_t size) {
  for (;;) {
    ssize_t n = read(fd_, buffer, size);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

long long ReadFile::ReadAt(void *buffer, std::size_t size, std::uint64_t offset) {
  for (;;) {
    ssize_t n = pread(fd_, buffer, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

FileInfo ReadFile::Info() const {
  if (!info_) {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) return FileInfo{};
    info_ = InfoFromStat(st);
  }
  return *info_;
}

bool ReadWholeFile(std::string_view path, std::string &content, std::uint64_t limit) {
  ReadFile file(path);
  if (!file.IsOpen()) return false;
  content.clear();
  char buffer[65536];
  for (;;) {
    std::size_t want = sizeof buffer;
    if (limit > 0) {
      if (content.size() >= limit) break;
      want = static_cast<std::size_t>(std::min<std::uint64_t>(want, limit - content.size()));
    }
    long long n = file.Read(buffer, want);
    if (n < 0) return false;
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

bool AppendBytes(std::string_view path, std::string_view bytes) {
  Descriptor fd(open(ToSystemPath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (fd.Get() < 0) return false;
  bool written = WriteAll(fd.Get(), bytes);
  return fd.Close() && written;
}

AppendingFile::AppendingFile(std::string_view cp932Path, std::chrono::milliseconds checkInterval,
                             OpenedHook opened)
    : systemPath_(ToSystemPath(cp932Path)), checkInterval_(checkInterval), openedHook_(std::move(opened)) {
  Reopen();
  nextCheck_ = std::chrono::steady_clock::now() + checkInterval_;
}

AppendingFile::~AppendingFile() {
  if (fd_ >= 0) close(fd_);
}

bool AppendingFile::StillNamesOpenFile() const {
  struct stat st;
  return stat(systemPath_.c_str(), &st) == 0 && IsSameFile(InfoFromStat(st), opened_);
}

bool AppendingFile::OpenFileWasRemoved() const {
  struct stat st;
  return fstat(fd_, &st) == 0 && st.st_nlink == 0;
}

// Opens the path anew when it names another file than the open one. A
// renamed file keeps what was written to it; a removed one loses it, so that
// is written again.
void AppendingFile::FollowPath() {
  if (fd_ >= 0 && StillNamesOpenFile()) return;
  const bool removed = fd_ >= 0 && OpenFileWasRemoved();
  Reopen();
  if (removed && fd_ >= 0) WriteAll(fd_, sinceCheck_);
}

void AppendingFile::Reopen() {
  if (fd_ >= 0) close(fd_);
  fd_ = open(systemPath_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  struct stat st;
  opened_ = fd_ >= 0 && fstat(fd_, &st) == 0 ? InfoFromStat(st) : FileInfo{};
  if (openedHook_) openedHook_(opened_);
}

bool AppendingFile::Append(std::string_view bytes) {
  // Bounds the lines kept for a removed file; past it the check comes early.
  constexpr std::size_t kMaxKeptSinceCheck = 1 << 20;
  const auto now = std::chrono::steady_clock::now();
  if (fd_ < 0 || now >= nextCheck_ || sinceCheck_.size() + bytes.size() > kMaxKeptSinceCheck) {
    FollowPath();
    sinceCheck_.clear();
    nextCheck_ = now + checkInterval_;
  }
  if (fd_ < 0 || !WriteAll(fd_, bytes)) return false;
  sinceCheck_.append(bytes);
  return true;
}

WriteResult WriteFailure(int systemError) {
  return {false, std::system_category().message(systemError == 0 ? EIO : systemError)};
}

WriteResult ReplaceFileAtomically(std::string_view path, std::string_view content) {
  std::string target = ToSystemPath(path);
  std::string temp = target + ".tmpXXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  Descriptor fd(mkostemp(name.data(), O_CLOEXEC));
  if (fd.Get() < 0) return WriteFailure(errno);
  int error = 0;
  if (fchmod(fd.Get(), ReplacementMode(target)) != 0 || !WriteAll(fd.Get(), content) ||
      fsync(fd.Get()) != 0) {
    error = errno;
  }
  if (!fd.Close() && error == 0) error = errno;
  if (error == 0 && rename(name.data(), target.c_str()) == 0) return {};
  if (error == 0) error = errno;
  unlink(name.data());
  return WriteFailure(error);
}

bool CopyFileTo(std::string_view from, std::string_view to) {
  std::string content;
  return ReadWholeFile(from, content) && ReplaceFileAtomically(to, content);
}

bool CanWriteFile(std::string_view path) {
  std::string target = ToSystemPath(path);
  if (::access(target.c_str(), F_OK) == 0) return ::access(target.c_str(), W_OK) == 0;
  return CanWriteInDirectory(PathRemoveFileSpec(path));
}

bool CanWriteInDirectory(std::string_view path) {
  return GetFileInfo(path).isDirectory && ::access(ToSystemPath(path).c_str(), W_OK | X_OK) == 0;
}

bool MakeDirectories(std::string_view path) {
  std::error_code error;
  std::filesystem::create_directories(ToSystemPath(path), error);
  return GetFileInfo(path).isDirectory;
}

bool CopyTreeKeepingExisting(std::string_view from, std::string_view to) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::copy(ToSystemPath(from), ToSystemPath(to),
           fs::copy_options::recursive | fs::copy_options::skip_existing, error);
  return !error;
}

}  // namespace ruz
