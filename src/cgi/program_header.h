// The header block a CGI program prints before its body, checked and turned
// into the lines the server sends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ruz {

struct ProgramHeader {
  /// The lines to merge into the response header, each ending in CR LF; a
  /// Status line first when the response is not 200.
  std::string lines;
  /// The program's Content-Length, when it wrote a valid one.
  std::optional<std::uint64_t> contentLength;
};

/// Reads the block (its final blank line included). Lines end in CR LF or LF;
/// a CR anywhere else makes the block malformed, as does a Status that is not
/// a code from 100 to 599 (optionally followed by a blank and a reason; a
/// bare code gets the server's reason for it, or none after the blank).
/// Connection, Keep-Alive and Transfer-Encoding belong to the server and are
/// dropped; so is a Content-Length that is not a plain number (the body then
/// has no stated length). A Location without a Status answers 302. Lines
/// without a colon are ignored. False when malformed.
bool ParseProgramHeader(std::string_view block, ProgramHeader &header);

}  // namespace ruz
