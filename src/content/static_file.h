// Static file delivery: conditional GET, a single byte range, the MIME type and
// the body behind the header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "content/byte_range.h"

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;
class ReadFile;

/// Sends the file (filePath empty: the request's localPath). Returns 200, 206,
/// 304 or 500 (for an error page: its code). conditional: an
/// If-Modified-Since may answer 304; useRange: a Range may answer 206.
int SendFile(ConnectionSlot &slot, RequestInfo &request, std::string extra,
             std::string_view filePath, std::uint64_t &bytesSent, int code, bool conditional,
             bool useRange);

/// Opens a regular file for sending; false (file not open) when it does not
/// exist, is a directory or cannot be opened.
bool OpenForSending(std::string_view path, ReadFile &file);

/// SendFile after the file has been opened: the conditional check, the range,
/// the header and the body. path names the file for its content type.
int SendOpenFile(ConnectionSlot &slot, RequestInfo &request, std::string_view extra,
                 std::string_view path, ReadFile &file, std::uint64_t &bytesSent, int code,
                 bool conditional, bool useRange);

/// Last-Modified (when lastModified is not empty), Content-Range (when partial
/// is set), Content-Length, Content-Type (left out when empty), then extra,
/// each line ending in CR LF.
std::string FileHeaderLines(std::string_view lastModified, const FileSpan *partial,
                            std::uint64_t size, std::string_view contentType,
                            std::string_view extra);

}  // namespace ruz
