// Reading what a log gains, across renames and truncation.
#include "log/log_follower.h"

namespace ruz {

LogFollower::LogFollower(std::string path, std::size_t tailBytes)
    : path_(std::move(path)), tailBytes_(tailBytes) {}

bool LogFollower::Open(bool fromTail) {
  ReadFile file(path_);
  if (!file.IsOpen()) return false;
  file_ = std::move(file);
  offset_ = 0;
  partial_.clear();
  const std::uint64_t size = file_.Info().size;
  if (fromTail && size > tailBytes_) {
    offset_ = size - tailBytes_;
    // The first line shown is a whole one.
    std::string skipped = ReadAvailable(tailBytes_);
    const std::size_t lineEnd = skipped.find('\n');
    partial_.clear();
    if (lineEnd != std::string::npos) partial_ = skipped.substr(lineEnd + 1);
  }
  return true;
}

std::string LogFollower::ReadAvailable(std::size_t maxBytes) {
  std::string bytes;
  char buffer[16384];
  while (bytes.size() < maxBytes) {
    const long long got = file_.ReadAt(buffer, sizeof buffer, offset_);
    if (got <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
    offset_ += static_cast<std::uint64_t>(got);
  }
  return bytes;
}

bool LogFollower::FileWasReplaced() const {
  const FileInfo now = GetFileInfo(path_);
  if (!now.exists) return false;  // renamed away and not begun again yet
  const FileInfo open = file_.Info();
  return now.device != open.device || now.inode != open.inode || now.size < offset_;
}

std::string LogFollower::TakeCompleteLines(std::string bytes) {
  partial_ += bytes;
  const std::size_t lastEnd = partial_.rfind('\n');
  if (lastEnd == std::string::npos) return {};
  std::string lines = partial_.substr(0, lastEnd + 1);
  partial_.erase(0, lastEnd + 1);
  return lines;
}

std::string LogFollower::Poll(std::size_t maxBytes) {
  if (!file_.IsOpen()) {
    if (!Open(!opened_)) return {};
    opened_ = true;
  }
  std::string lines = TakeCompleteLines(ReadAvailable(maxBytes));
  if (lines.size() < maxBytes && FileWasReplaced()) {
    // The old file has been read to its end above; a last line it never
    // finished is shown as it stands.
    if (!partial_.empty()) lines += partial_ + "\r\n";
    file_ = ReadFile();
    if (Open(false)) lines += TakeCompleteLines(ReadAvailable(maxBytes));
  }
  return lines;
}

}  // namespace ruz
