// Request completion end to end: custom error pages, the header-only
// response, and what the log counts.
#include "integration/content_support.h"

namespace ruz::test {
namespace {

const std::string kNotFoundPage = "<html>not here</html>";

class ContentErrorPagesTest : public ContentServerTest {
 protected:
  void SetUp() override {
    WriteFile("www/index.html", "top");
    WriteFile("pages/404.html", kNotFoundPage);
    WriteFile("pages/401.txt", "who are you");
    MakeDir("pages/adir");
    AddSections("[mime0]\r\nextension=.html\r\nmimetype=text/html\r\n"
                "[mime1]\r\nextension=.txt\r\nmimetype=text/plain\r\n");
  }
};

TEST_F(ContentErrorPagesTest, WithoutPagesAnErrorIsTheStatusLineAndFixedHeadersOnly) {
  StartServer();
  HttpResponse r = Get("/missing.html");
  EXPECT_TRUE(r.closed);
  EXPECT_EQ(r.raw.substr(0, r.raw.find("\r\n")), "HTTP/1.1 404 Not Found");
  ASSERT_EQ(r.headers.size(), 3u);
  EXPECT_EQ(r.headers[2].first, "Connection");
  EXPECT_TRUE(r.raw.ends_with("Connection: Close\r\n\r\n"));
  EXPECT_EQ(LoggedStatusAndBytes(1), "404 0");
}

TEST_F(ContentErrorPagesTest, FirstExistingPageForTheCodeIsServedWithItsCode) {
  SetKey("errpage", "1");
  AddSections("[errpage0]\r\nerrcode=404\r\nerrfile=pages/gone.html\r\n"
              "[errpage1]\r\nerrcode=404\r\nerrfile=pages/404.html\r\n"
              "[errpage2]\r\nerrcode=501\r\nerrfile=" + HomePath("pages/404.html") + "\r\n");
  StartServer();
  HttpResponse r = Get("/missing.html");
  EXPECT_EQ(r.statusLine, "HTTP/1.1 404 Not Found");
  EXPECT_EQ(r.body, kNotFoundPage);
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(kNotFoundPage.size()));
  EXPECT_EQ(r.Header("Content-Type"), "text/html");
  EXPECT_FALSE(r.HasHeader("Last-Modified"));
  EXPECT_EQ(LastRow(1)[2], "ファイルが見つかりません");
  EXPECT_EQ(LoggedStatusAndBytes(1), "404 " + std::to_string(kNotFoundPage.size()));

  // An absolute errfile; a Range header does not apply to error pages.
  HttpResponse method = Request("PUT /x HTTP/1.1\r\nRange: bytes=0-1\r\n\r\n");
  EXPECT_EQ(method.statusLine, "HTTP/1.1 501 Not Implemented");
  EXPECT_EQ(method.body, kNotFoundPage);
  // The client has its answer before the line is logged; wait for it, so the
  // next request's line comes after it.
  EXPECT_EQ(LoggedStatusAndBytes(2), "501 " + std::to_string(kNotFoundPage.size()));

  HttpResponse head = Request(GetRequest("/missing.html", "", "HEAD"));
  EXPECT_EQ(head.status, 404);
  EXPECT_EQ(head.Header("Content-Length"), std::to_string(kNotFoundPage.size()));
  EXPECT_EQ(head.body, "");
  EXPECT_EQ(LoggedStatusAndBytes(3), "404 0");
}

TEST_F(ContentErrorPagesTest, ChallengeTravelsWithThe401Page) {
  SetKey("errpage", "1");
  SetKey("auth", "1");
  AddSections("[errpage0]\r\nerrcode=401\r\nerrfile=pages/401.txt\r\n"
              "[user0]\r\nname=alice\r\npassword=pw\r\n"
              "[auth0]\r\nname=Members\r\npath=/*\r\nuser=alice\r\n");
  StartServer();
  HttpResponse r = Get("/index.html");
  EXPECT_EQ(r.statusLine, "HTTP/1.1 401 Authorization Required");
  EXPECT_EQ(r.Header("WWW-Authenticate"), "Basic realm=\"Members\"");
  EXPECT_EQ(r.Header("Content-Type"), "text/plain");
  EXPECT_EQ(r.body, "who are you");
}

TEST_F(ContentErrorPagesTest, NotModifiedStaysHeaderOnlyUnlessA304PageIsConfigured) {
  SetKey("errpage", "1");
  AddSections("[errpage0]\r\nerrcode=404\r\nerrfile=pages/404.html\r\n");
  StartServer();
  const std::string date = Get("/index.html").Header("Last-Modified");
  HttpResponse r = Get("/index.html", "If-Modified-Since: " + date + "\r\n");
  EXPECT_EQ(r.status, 304);
  EXPECT_EQ(r.headers.size(), 3u);
  EXPECT_EQ(r.body, "");
}

TEST_F(ContentErrorPagesTest, PageThatCannotBeOpenedFallsBackToTheHeaderOnlyResponse) {
  SetKey("errpage", "1");
  AddSections("[errpage0]\r\nerrcode=404\r\nerrfile=pages/adir\r\n"
              "[errpage1]\r\nerrcode=404\r\nerrfile=pages/404.html\r\n");
  StartServer();
  HttpResponse r = Get("/missing.html");
  EXPECT_TRUE(r.closed);
  EXPECT_EQ(r.statusLine, "HTTP/1.1 404 Not Found");
  EXPECT_EQ(r.headers.size(), 3u);
  EXPECT_EQ(r.body, "");
  EXPECT_EQ(LastRow(1)[5], "404 Not Found");
  EXPECT_EQ(LoggedStatusAndBytes(1), "404 0");
}

}  // namespace
}  // namespace ruz::test
