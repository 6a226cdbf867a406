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

/// How a file is sent. path: the file (empty: the request's localPath), which
/// also gives the content type; extra: lines added to the header; code: the
/// status of a whole answer (200, or an error page's code); conditional: an
/// If-Modified-Since may answer 304; useRange: a Range may answer 206.
struct SendFileOptions {
  std::string_view path;
  std::string_view extra;
  int code = 200;
  bool conditional = false;
  bool useRange = false;
};

/// Sends the file. Returns 200, 206, 304 or 500 (for an error page: its code;
/// 503 for a 200 that a stop of the server cut off).
int SendFile(ConnectionSlot &slot, RequestInfo &request, const SendFileOptions &options,
             std::uint64_t &bytesSent);

/// Opens a regular file for sending; false (file not open) when it does not
/// exist, is a directory or cannot be opened.
bool OpenForSending(std::string_view path, ReadFile &file);

/// SendFile after the file has been opened: the conditional check, the range,
/// the header and the body. options.path names the file for its content type.
int SendOpenFile(ConnectionSlot &slot, RequestInfo &request, ReadFile &file,
                 const SendFileOptions &options, std::uint64_t &bytesSent);

/// Last-Modified (when lastModified is not empty), Content-Range (when partial
/// is set), Content-Length, Content-Type (left out when empty), then extra,
/// each line ending in CR LF.
std::string FileHeaderLines(std::string_view lastModified, const FileSpan *partial,
                            std::uint64_t size, std::string_view contentType,
                            std::string_view extra);

}  // namespace ruz
