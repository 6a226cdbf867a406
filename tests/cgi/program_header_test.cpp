// What of a program's header block reaches the response, and which blocks are
// refused.
#include <gtest/gtest.h>

#include "cgi/program_header.h"

namespace ruz {
namespace {

TEST(ProgramHeaderTest, LinesStatusAndLengthFromEveryKindOfBlock) {
  const struct {
    const char *block;
    bool wellFormed;
    const char *lines;
    long long length;  // -1: none
  } cases[] = {
      {"Content-Type: text/plain\n\n", true, "Content-Type: text/plain\r\n", -1},
      {"Content-Type: a\r\nContent-Length: 5\r\n\r\n", true, "Content-Type: a\r\nContent-Length: 5\r\n", 5},
      {"X-A: 1\rX-Injected: bareCR\n\n", false, "", -1},
      {"X-A: 1\r\r", true, "X-A: 1\r\n", -1},
      {"Status: abc\n\n", false, "", -1},
      {"Status: 99\n\n", false, "", -1},
      {"Status: 600 Too High\n\n", false, "", -1},
      {"Status: 4045\n\n", false, "", -1},
      {"Status: 404 Not Found\nX: 1\n\n", true, "Status: 404 Not Found\r\nX: 1\r\n", -1},
      {"Status: 404\n\n", true, "Status: 404 Not Found\r\n", -1},
      {"Status: 299\n\n", true, "Status: 299 \r\n", -1},
      {"Location: /a\n\n", true, "Status: 302 Found\r\nLocation: /a\r\n", -1},
      {"Status: 301 Moved\nLocation: /a\n\n", true, "Status: 301 Moved\r\nLocation: /a\r\n", -1},
      {"Connection: keep-alive\nKeep-Alive: timeout=99\nTransfer-Encoding: chunked\nX: 1\n\n", true,
       "X: 1\r\n", -1},
      {"Content-Length: -1\n\n", true, "", -1},
      {"Content-Length: 4, 8\n\n", true, "", -1},
      {"no colon\nX: 1\n\n", true, "X: 1\r\n", -1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.block);
    ProgramHeader header;
    ASSERT_EQ(ParseProgramHeader(c.block, header), c.wellFormed);
    if (!c.wellFormed) continue;
    EXPECT_EQ(header.lines, c.lines);
    EXPECT_EQ(header.contentLength.has_value(), c.length >= 0);
    if (c.length >= 0) {
      EXPECT_EQ(*header.contentLength, static_cast<std::uint64_t>(c.length));
    }
  }
}

}  // namespace
}  // namespace ruz
