// The response header: the fixed lines merged with a caller's (or a CGI
// program's) extra block.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/clock.h"
#include "http/response_header.h"

namespace {

// Every line break on the wire is CR LF, and the only blank line is the last.
void CheckFraming(const std::string &header) {
  FUZZ_CHECK(header.starts_with("HTTP/1.1 "));
  FUZZ_CHECK(header.ends_with("\r\n\r\n"));
  FUZZ_CHECK(header.find("\r\n\r\n") == header.size() - 4);
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (header[i] == '\r') FUZZ_CHECK(i + 1 < header.size() && header[i + 1] == '\n');
    if (header[i] == '\n') FUZZ_CHECK(i > 0 && header[i - 1] == '\r');
  }
  // "HTTP/1.1 " + at most 127 characters of status text + CR LF.
  FUZZ_CHECK(header.find("\r\n") <= 9 + 127);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const int code = input.ConsumeIntegralInRange<int>(-1000, 1000);
  std::string extra = input.ConsumeRemainingBytesAsString();
  const ruz::DateTime now{2026, 12, 0, 6, 6, 33, 13, 0};
  CheckFraming(ruz::ComposeResponseHeader(code, extra, now));
  return 0;
}
