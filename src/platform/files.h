// Files and directories. Every path is a CP932 text; the conversion to the
// file system's UTF-8 happens here and nowhere else.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

struct FileInfo {
  bool exists = false;
  bool isDirectory = false;
  std::uint64_t size = 0;
  std::int64_t mtime = 0;  // seconds since the epoch (UTC)
  std::uint64_t device = 0;  // with inode, names the file whatever path reached it
  std::uint64_t inode = 0;
  /// The last change of content or attributes, in nanoseconds since the epoch.
  std::int64_t changeNs = 0;
};

/// True for an existing file that is not a directory.
inline bool IsExistingFile(const FileInfo &info) { return info.exists && !info.isDirectory; }

/// True when both infos describe the same existing file (any spelling, link or
/// hard link of it).
bool IsSameFile(const FileInfo &a, const FileInfo &b);

/// What is at path (follows symbolic links). exists is false when nothing is.
FileInfo GetFileInfo(std::string_view path);

struct DirEntry {
  std::string name;  // CP932; characters CP932 lacks become "?"
  FileInfo info;
};

/// The entries of a directory except "." and "..", in the order the system gives
/// them. False when the directory cannot be read.
bool ListDirectory(std::string_view path, std::vector<DirEntry> &entries);

/// A file opened for reading (a directory does not open); closed by the
/// destructor. Not copyable.
class ReadFile {
 public:
  ReadFile() = default;
  explicit ReadFile(std::string_view path);
  ~ReadFile();
  ReadFile(ReadFile &&other) noexcept;
  ReadFile &operator=(ReadFile &&other) noexcept;
  ReadFile(const ReadFile &) = delete;
  ReadFile &operator=(const ReadFile &) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }  // -1 when not open
  /// Reads up to size bytes; returns the count, 0 at the end, -1 on error.
  long long Read(void *buffer, std::size_t size);
  /// Reads up to size bytes at offset without moving; like Read otherwise.
  long long ReadAt(void *buffer, std::size_t size, std::uint64_t offset);
  /// What the open file is; looked up once and kept.
  FileInfo Info() const;

 private:
  int fd_ = -1;
  mutable std::optional<FileInfo> info_;
};

/// Reads the whole file (at most limit bytes when limit > 0). False when it
/// cannot be opened or read.
bool ReadWholeFile(std::string_view path, std::string &content, std::uint64_t limit = 0);

/// Opens (creating when missing) and appends the bytes in one write, then closes.
/// False when the file cannot be opened or the write fails.
bool AppendBytes(std::string_view path, std::string_view bytes);

/// A file kept open for appending (the access log). Before an append, at most
/// once per check interval, it checks that the path still names the open file,
/// and opens the path anew when the file was renamed or removed, so rotating
/// the file by renaming it keeps working. Lines written to a file that was
/// removed since the last check are written again to the new file, so none is
/// lost. Not thread-safe: callers serialize appends.
class AppendingFile {
 public:
  static constexpr std::chrono::milliseconds kDefaultCheckInterval{1000};

  /// Called with the file's identity each time it is opened (before anything
  /// is written to it).
  using OpenedHook = std::function<void(const FileInfo &)>;

  /// Opens (creating) the file at once.
  explicit AppendingFile(std::string_view cp932Path,
                         std::chrono::milliseconds checkInterval = kDefaultCheckInterval,
                         OpenedHook opened = {});
  ~AppendingFile();
  AppendingFile(const AppendingFile &) = delete;
  AppendingFile &operator=(const AppendingFile &) = delete;

  /// False when the file cannot be opened or the write fails.
  bool Append(std::string_view bytes);
  /// The file open now (exists is false when none is).
  const FileInfo &Identity() const { return opened_; }

 private:
  bool StillNamesOpenFile() const;
  bool OpenFileWasRemoved() const;
  void Reopen();
  void FollowPath();

  std::string systemPath_;
  int fd_ = -1;  // -1 when not open
  FileInfo opened_;
  const std::chrono::milliseconds checkInterval_;
  const OpenedHook openedHook_;
  std::chrono::steady_clock::time_point nextCheck_;
  /// What went into the open file since the last check.
  std::string sinceCheck_;
};

/// What a write did: written, or not, with the system's words for why
/// ("Permission denied", "No space left on device"). Tests as true when written.
struct [[nodiscard]] WriteResult {
  bool written = true;
  std::string reason;  // empty when written

  explicit operator bool() const { return written; }
};

/// A failed write for the system error code (errno); a code of 0, which names
/// no failure, is reported as an input/output error.
WriteResult WriteFailure(int systemError);

/// Writes the whole file through a temporary file in the same directory and a
/// rename, so readers never see a half-written file; on failure the file is as
/// it was.
WriteResult ReplaceFileAtomically(std::string_view path, std::string_view content);

/// Copies a file (for settings import and export); false on failure.
bool CopyFileTo(std::string_view from, std::string_view to);

/// Whether this process may write the file: the file itself when it exists,
/// otherwise the folder that would hold it (false when that folder is missing).
bool CanWriteFile(std::string_view path);

/// Whether this process may create and change entries in the folder.
bool CanWriteInDirectory(std::string_view path);

/// Makes the folder and any missing parents; true when it exists afterwards.
bool MakeDirectories(std::string_view path);

/// Copies every file and folder below from into to (made when missing), leaving
/// entries that to already has as they are. False when something could not be copied.
bool CopyTreeKeepingExisting(std::string_view from, std::string_view to);

/// The path converted to the file system's encoding (UTF-8).
std::string ToSystemPath(std::string_view cp932Path);

}  // namespace ruz
