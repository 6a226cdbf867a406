// Request header text: the end-of-header search and the parse into RequestInfo.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "http/request_info.h"
#include "http/request_reader.h"

namespace {

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

// The reader searches again after every received byte, telling the search how
// far it has already looked; that must find the same end as one search over
// the whole text.
void CheckIncrementalSearch(std::string_view text) {
  const std::size_t whole = ruz::FindHeaderEnd(text);
  std::size_t incremental = std::string_view::npos;
  for (std::size_t n = 1; n <= text.size() && incremental == text.npos; ++n) {
    incremental = ruz::FindHeaderEnd(text.substr(0, n), n - 1);
  }
  FUZZ_CHECK(whole == incremental);
  FUZZ_CHECK(whole == text.npos || (whole >= 2 && whole <= text.size()));
}

// Only the decoded path may hold line breaks (from %0D%0A); every other field
// is a piece of one header line.
void CheckFields(const ruz::RequestInfo &r) {
  for (const std::string *field :
       {&r.requestLine, &r.method, &r.uri, &r.protocol, &r.query, &r.referer, &r.accept,
        &r.acceptLanguage, &r.contentType, &r.acceptEncoding, &r.ifModifiedSince, &r.userAgent,
        &r.host, &r.connection, &r.cookie, &r.contentLength, &r.range, &r.authorization}) {
    FUZZ_CHECK(!HasLineBreak(*field));
  }
  FUZZ_CHECK(r.uri.size() <= r.requestLine.size());
}

// Requests sent one behind the other: each header ends where the search says,
// its stated body (a valid Content-Length) is skipped whole, and what follows
// is the next request. Every step moves on, and nothing is read twice.
void CheckPipelinedSplit(std::string_view text) {
  std::size_t requests = 0;
  while (!text.empty()) {
    const std::size_t end = ruz::FindHeaderEnd(text);
    if (end == text.npos) break;
    FUZZ_CHECK(end >= 2 && end <= text.size());
    const std::string_view header = text.substr(0, end);
    ruz::RequestInfo request;
    ruz::ParseRequestHeader(header, request);
    text.remove_prefix(end);
    ++requests;
    if (ruz::CheckRequestFraming(header, request) != 0) break;  // the connection ends here
    if (!request.transferEncoding.empty()) break;
    std::uint64_t body = 0;
    for (char c : request.contentLength) body = body * 10 + static_cast<std::uint64_t>(c - '0');
    if (body > text.size()) break;  // the rest is body still to come
    text.remove_prefix(static_cast<std::size_t>(body));
  }
  FUZZ_CHECK(requests <= 32768);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char *>(data), size);
  CheckIncrementalSearch(text);
  CheckPipelinedSplit(text);
  ruz::RequestInfo request;
  ruz::ParseRequestHeader(text, request);
  const int framing = ruz::CheckRequestFraming(text, request);
  FUZZ_CHECK(framing == 0 || framing == 400 || framing == 505);
  CheckFields(request);
  return 0;
}
