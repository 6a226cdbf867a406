// The access-log formatter: %token% expansion of the operator's format.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/settings.h"
#include "fuzz_check.h"
#include "common/expand_token.h"
#include "log/access_log.h"
#include "log/log_escape.h"
#include "platform/clock.h"
#include "http/connection_slot.h"
#include "http/request_info.h"

namespace {

struct LogFixture {
  ruz::ServerSettings settings;
  ruz::DateTime start{2026, 12, 1, 7, 9, 5, 3, 0};
  ruz::ConnectionSlot slot;

  LogFixture() {
    slot.settings = &settings;
    slot.startTime = &start;
  }

  std::string Line(const std::string &format, const ruz::RequestInfo &request, int code) {
    settings.logformat = format;
    return ruz::FormatLogLine(slot, request, 1234, code);
  }
};

std::string Token(FuzzedDataProvider &input, std::string name) {
  if (input.ConsumeBool()) {
    for (char &c : name) c = static_cast<char>(c - 'a' + 'A');
  }
  return "%" + name + "%";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static LogFixture fixture;
  FuzzedDataProvider input(data, size);
  ruz::RequestInfo request;
  request.referer = input.ConsumeRandomLengthString(64);
  request.userAgent = input.ConsumeRandomLengthString(64);
  request.uri = input.ConsumeRandomLengthString(64);
  request.remoteAddr = input.ConsumeRandomLengthString(16);
  const int code = input.ConsumeIntegralInRange<int>(-1, 999);

  // A request's values go into the line escaped and nothing else: a "%" or a
  // token inside a value is never expanded again.
  const std::string format = "<" + Token(input, "referer") + "|" + Token(input, "ua") + ">";
  FUZZ_CHECK(fixture.Line(format, request, code) ==
             "<" + ruz::EscapeLogText(request.referer) + "|" + ruz::EscapeLogText(request.userAgent) +
                 ">\r\n");

  // Any format: a line that ends with its CR LF.
  const std::string line = fixture.Line(input.ConsumeRemainingBytesAsString(), request, code);
  FUZZ_CHECK(line.ends_with("\r\n"));

  std::string text = request.uri;
  ruz::ExpandToken(text, request.remoteAddr, request.referer);
  return 0;
}
