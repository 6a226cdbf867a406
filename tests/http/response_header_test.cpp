// Composing status lines and header blocks.
#include <gtest/gtest.h>

#include "http/response_header.h"

namespace ruz {
namespace {

const DateTime kNow{2026, 12, 0, 6, 6, 33, 13, 0};
const std::string kFixed =
    "Date: Sun, 06 Dec 2026 06:33:13 GMT\r\nServer: Ruzo'sWebserver/1.0\r\nConnection: Close";

std::string Compose(int code, std::string extra) { return ComposeResponseHeader(code, extra, kNow); }

TEST(StatusReasonTest, KnowsTheServersCodesOnly) {
  EXPECT_STREQ(StatusReason(200), "OK");
  EXPECT_STREQ(StatusReason(206), "Partial Content");
  EXPECT_STREQ(StatusReason(401), "Authorization Required");
  EXPECT_STREQ(StatusReason(408), "Request Timeout");
  EXPECT_STREQ(StatusReason(501), "Not Implemented");
  EXPECT_STREQ(StatusReason(418), "");
}

TEST(ComposeResponseHeaderTest, MergesExtraLinesAsTheWireExpects) {
  struct Case {
    const char *name;
    int code;
    std::string extra;
    std::string expected;
  } cases[] = {
      {"empty extra", 200, "", "HTTP/1.1 200 OK\r\n" + kFixed + "\r\n\r\n"},
      {"code outside the table", 418, "", "HTTP/1.1 418 \r\n" + kFixed + "\r\n\r\n"},
      {"Status line and a blank line", 200, "Status: 302 Moved\r\nLocation: /x\r\n\r\n",
       "HTTP/1.1 302 Moved\r\n" + kFixed + "\r\nLocation: /x\r\n\r\n"},
      {"Status without blank", 200, "Status:302 Moved\r\n",
       "HTTP/1.1 302 Moved\r\n" + kFixed + "\r\n\r\n"},
      {"empty Status", 404, "Status:\r\n", "HTTP/1.1 404 Not Found\r\n" + kFixed + "\r\n\r\n"},
      {"two cookies", 200, "Set-Cookie: a=1\r\nSet-Cookie: b=2\r\n",
       "HTTP/1.1 200 OK\r\n" + kFixed + "\r\nSet-Cookie: a=1\r\nSet-Cookie: b=2\r\n\r\n"},
      {"second Content-Type replaces the first in place", 200,
       "Content-Type: text/html\r\nX-A: 1\r\ncontent-type: text/plain\r\n",
       "HTTP/1.1 200 OK\r\n" + kFixed + "\r\ncontent-type: text/plain\r\nX-A: 1\r\n\r\n"},
      {"Connection replaced", 200, "Connection: keep-alive\r\n\r\n",
       "HTTP/1.1 200 OK\r\nDate: Sun, 06 Dec 2026 06:33:13 GMT\r\nServer: "
       "Ruzo'sWebserver/1.0\r\nConnection: keep-alive\r\n\r\n"},
      {"Server replaced, Date stays first", 200, "Server: other",
       "HTTP/1.1 200 OK\r\nDate: Sun, 06 Dec 2026 06:33:13 GMT\r\nServer: other\r\nConnection: "
       "Close\r\n\r\n"},
      {"LF and CR line ends", 200, "X-A: 1\nX-B: 2\rX-C: 3",
       "HTTP/1.1 200 OK\r\n" + kFixed + "\r\nX-A: 1\r\nX-B: 2\r\nX-C: 3\r\n\r\n"},
      {"CGI block with the relay's no-cache lines", 200,
       "Content-type: text/html\r\n\r\nCache-Control: no-cache\r\nPragma: no-cache\r\n",
       "HTTP/1.1 200 OK\r\n" + kFixed +
           "\r\nContent-type: text/html\r\nCache-Control: no-cache\r\nPragma: no-cache\r\n\r\n"},
      {"line without colon dropped", 200, "garbage\r\nX-A: 1\r\n",
       "HTTP/1.1 200 OK\r\n" + kFixed + "\r\nX-A: 1\r\n\r\n"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Compose(c.code, c.extra), c.expected) << c.name;
  }
}

TEST(ComposeResponseHeaderTest, CutsALongStatusValueTo127Characters) {
  std::string value(300, 'x');
  std::string header = Compose(200, "Status: " + value + "\r\n");
  EXPECT_EQ(header.substr(0, header.find("\r\n")), "HTTP/1.1 " + value.substr(0, 127));
}

TEST(FormatHttpDateTest, UsesEnglishNamesAndTwoDigitFields) {
  EXPECT_EQ(FormatHttpDate({2027, 1, 5, 1, 0, 0, 9, 0}), "Fri, 01 Jan 2027 00:00:09 GMT");
}

}  // namespace
}  // namespace ruz
