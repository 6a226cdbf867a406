// Finding the end of a request header and picking its fields.
#include <gtest/gtest.h>

#include "platform/text_codes.h"
#include "http/request_info.h"
#include "http/request_reader.h"

namespace ruz {
namespace {

TEST(FindHeaderEndTest, FindsTheFirstEndToBeCompletedByteByByte) {
  struct Case {
    std::string text;
    std::size_t end;
  } cases[] = {
      {"GET / HTTP/1.0\r\n\r\nbody", 18},
      {"GET / HTTP/1.0\n\nbody", 16},
      {"GET / HTTP/1.0\r\rbody", 16},
      {"GET / HTTP/1.0\r\nHost: x\r\n", std::string::npos},
      {"GET / HTTP/1.0\r\n\r", std::string::npos},
      {"\n\n", 2},
      {"a\r\n\n", 4},  // "\n\n" completes at the fourth byte
      {"", std::string::npos},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(FindHeaderEnd(c.text), c.end) << c.text;
  }
}

TEST(FindHeaderEndTest, IncrementalSearchFindsAnEndSpanningTheBoundary) {
  std::string text = "GET / HTTP/1.0\r\n";
  std::size_t checked = text.size();
  ASSERT_EQ(FindHeaderEnd(text), std::string::npos);
  text += "\r\nrest";
  EXPECT_EQ(FindHeaderEnd(text, checked), checked + 2);
}

RequestInfo Parse(const std::string &header) {
  RequestInfo r;
  ParseRequestHeader(header, r);
  return r;
}

TEST(ParseRequestHeaderTest, SplitsTheRequestLineAtEverySpace) {
  RequestInfo r = Parse("GET / HTTP/1.0\n\n");
  EXPECT_EQ(r.requestLine, "GET / HTTP/1.0");
  EXPECT_EQ(r.method, "GET");
  EXPECT_EQ(r.uri, "/");
  EXPECT_EQ(r.protocol, "HTTP/1.0");

  RequestInfo alone = Parse("GET\r\n\r\n");
  EXPECT_EQ(alone.method, "GET");
  EXPECT_EQ(alone.uri, "");
  EXPECT_EQ(alone.protocol, "");

  RequestInfo doubled = Parse("GET  /x HTTP/1.1\r\n\r\n");
  EXPECT_EQ(doubled.uri, "");
  EXPECT_EQ(doubled.protocol, "/x");

  RequestInfo tab = Parse("GET\t/x HTTP/1.1\r\n\r\n");
  EXPECT_EQ(tab.method, "GET\t/x");
}

TEST(ParseRequestHeaderTest, DecodesThePathAndKeepsTheQuery) {
  struct Case {
    const char *target, *path, *query;
  } cases[] = {
      {"/a%20b.html?x=1#top", "/a b.html", "x=1#top"},
      {"/doc#p?x", "/doc", "x"},
      {"/plus+sign", "/plus+sign", ""},
      {"/bad%zz", "/bad%zz", ""},
      {"/q?", "/q", ""},
  };
  for (const Case &c : cases) {
    RequestInfo r = Parse(std::string("GET ") + c.target + " HTTP/1.1\r\n\r\n");
    EXPECT_EQ(r.uri, c.target);
    EXPECT_EQ(r.path, c.path) << c.target;
    EXPECT_EQ(r.query, c.query) << c.target;
  }
}

TEST(ParseRequestHeaderTest, ConvertsAPercentEncodedJapanesePathToCp932) {
  // "/日本.html" in UTF-8, percent-encoded.
  RequestInfo r = Parse("GET /%E6%97%A5%E6%9C%AC.html HTTP/1.1\r\n\r\n");
  EXPECT_EQ(r.path, Utf8ToCp932("/日本.html"));
}

TEST(ParseRequestHeaderTest, PicksKnownFieldsByName) {
  RequestInfo r = Parse(
      "GET / HTTP/1.1\r\n"
      "host: lower.example\r\n"
      "User-Agent:NoSpace\r\n"
      "Referer:  two spaces\r\n"
      "Acc: prefix only\r\n"
      "Accept : blank before colon\r\n"
      "X-Unknown: ignored\r\n"
      "Cookie: first\r\n"
      "Cookie: second\r\n"
      "Range: bytes=0-1\n"
      "Authorization: Basic abc\r"
      "Content-Length: 12\r\n"
      "no colon line\r\n\r\n");
  EXPECT_EQ(r.host, "lower.example");
  EXPECT_EQ(r.userAgent, "NoSpace");
  EXPECT_EQ(r.referer, "two spaces");
  EXPECT_EQ(r.accept, "");
  EXPECT_EQ(r.cookie, "second");
  EXPECT_EQ(r.range, "bytes=0-1");
  EXPECT_EQ(r.authorization, "Basic abc");
  EXPECT_EQ(r.contentLength, "12");
}

}  // namespace
}  // namespace ruz
