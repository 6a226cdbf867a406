// A CGI program's header block: a block taken is made of CR LF lines without
// a stray CR, never carries the server's own connection fields, and composes
// into a well-formed response header.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cgi/program_header.h"
#include "fuzz_check.h"
#include "http/response_header.h"
#include "platform/clock.h"
#include "platform/text_codes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view block(reinterpret_cast<const char *>(data), size);
  ruz::ProgramHeader header;
  if (!ruz::ParseProgramHeader(block, header)) return 0;
  std::string_view rest = header.lines;
  while (!rest.empty()) {
    const std::size_t end = rest.find("\r\n");
    FUZZ_CHECK(end != std::string_view::npos);
    const std::string_view line = rest.substr(0, end);
    FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
    std::string_view name = line.substr(0, line.find(':'));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
    FUZZ_CHECK(!ruz::EqualsIgnoreCase(name, "Transfer-Encoding"));
    FUZZ_CHECK(!ruz::EqualsIgnoreCase(name, "Connection"));
    rest.remove_prefix(end + 2);
  }
  std::string extra = header.lines;
  const ruz::DateTime now{2026, 12, 0, 6, 6, 33, 13, 0};
  const std::string composed = ruz::ComposeResponseHeader(200, extra, now);
  FUZZ_CHECK(composed.ends_with("\r\n\r\n"));
  return 0;
}
