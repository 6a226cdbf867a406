// Checking a CGI program's header block.
#include "cgi/program_header.h"

#include <array>

#include "http/response_header.h"
#include "platform/text_codes.h"

namespace ruz {

namespace {

constexpr std::array<std::string_view, 3> kServerFields = {"Connection", "Keep-Alive",
                                                           "Transfer-Encoding"};
constexpr std::size_t kMaxLengthDigits = 18;
constexpr int kLowestStatus = 100;
constexpr int kHighestStatus = 599;

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "404" or "404 Not Found"; the code must lie in 100-599.
bool IsValidStatus(std::string_view value) {
  if (value.size() < 3) return false;
  int code = 0;
  for (char c : value.substr(0, 3)) {
    if (c < '0' || c > '9') return false;
    code = code * 10 + (c - '0');
  }
  return code >= kLowestStatus && code <= kHighestStatus && (value.size() == 3 || value[3] == ' ');
}

std::optional<std::uint64_t> ParseLength(std::string_view value) {
  if (value.empty() || value.size() > kMaxLengthDigits ||
      value.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  std::uint64_t length = 0;
  for (char c : value) length = length * 10 + static_cast<std::uint64_t>(c - '0');
  return length;
}

bool IsServerField(std::string_view name) {
  for (std::string_view field : kServerFields) {
    if (EqualsIgnoreCase(name, field)) return true;
  }
  return false;
}

// The block without its final blank line (CR LF CR LF, LF LF or CR CR).
std::string_view WithoutEnd(std::string_view block) {
  for (std::string_view end : {"\r\n\r\n", "\n\n", "\r\r"}) {
    if (block.ends_with(end)) return block.substr(0, block.size() - end.size());
  }
  return block;
}

}  // namespace

bool ParseProgramHeader(std::string_view block, ProgramHeader &header) {
  header = ProgramHeader{};
  std::string status;
  bool hasLocation = false;
  std::string_view rest = WithoutEnd(block);
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf);
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.find('\r') != std::string_view::npos) return false;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = TrimBlanks(line.substr(0, colon));
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (EqualsIgnoreCase(name, "Status")) {
      if (!IsValidStatus(value)) return false;
      status = value;
      // A status line always has a reason after its code, if only an empty one.
      if (status.size() == 3) status += std::string(" ") + StatusReason(std::stoi(status));
      continue;
    }
    if (IsServerField(name)) continue;
    if (EqualsIgnoreCase(name, "Content-Length")) {
      header.contentLength = ParseLength(value);
      if (!header.contentLength) continue;
    }
    hasLocation = hasLocation || EqualsIgnoreCase(name, "Location");
    header.lines.append(line).append("\r\n");
  }
  if (status.empty() && hasLocation) status = "302 Found";
  if (!status.empty()) header.lines.insert(0, "Status: " + status + "\r\n");
  return true;
}

}  // namespace ruz
