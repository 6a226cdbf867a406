// The pure pieces of a file response: range arithmetic, content type and the
// header lines that go in front of the body.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "content/static_file.h"

namespace ruz {

struct ServerSettings;

/// The part of a file a response carries: count bytes from first.
struct FileSpan {
  std::uint64_t first = 0;
  std::uint64_t count = 0;
};

/// Applies a parsed range to a file of size bytes. True with the selected bytes
/// when the range selects at least one byte; false when it must be ignored.
bool ResolveRange(const ByteRange &range, std::uint64_t size, FileSpan &span);

/// The MIME type for path by its extension, or defmime when no entry lists it.
std::string ContentTypeFor(const ServerSettings &settings, std::string_view path);

/// Last-Modified (when lastModified is not empty), Content-Range (when partial
/// is set), Content-Length, Content-Type (left out when empty), then extra,
/// each line ending in CR LF.
std::string FileHeaderLines(std::string_view lastModified, const FileSpan *partial,
                            std::uint64_t size, std::string_view contentType,
                            std::string_view extra);

}  // namespace ruz

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;
class ReadFile;

/// Opens a regular file for sending; false (file not open) when it does not
/// exist, is a directory or cannot be opened.
bool OpenForSending(std::string_view path, ReadFile &file);

/// SendFile after the file has been opened: the conditional check, the range,
/// the header and the body. path names the file for its content type.
int SendOpenFile(ConnectionSlot &slot, RequestInfo &request, std::string_view extra,
                 std::string_view path, ReadFile &file, std::uint64_t &bytesSent, int code,
                 bool conditional, bool useRange);

}  // namespace ruz
