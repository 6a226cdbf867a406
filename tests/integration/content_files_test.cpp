// Static files end to end: content types, HEAD, conditional GET, byte ranges,
// and what curl makes of them.
#include <chrono>
#include <filesystem>

#include "integration/content_support.h"

namespace ruz::test {
namespace {

std::string Pattern(std::size_t size) {
  std::string text(size, ' ');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('0' + i % 10);
  return text;
}

class ContentFilesTest : public ContentServerTest {
 protected:
  void SetUp() override {
    AddSections(
        "[mime0]\r\nextension=.html,.htm\r\nmimetype=text/html\r\n"
        "[mime1]\r\nextension=.TXT\r\nmimetype=text/x-upper\r\n"
        "[mime2]\r\nextension=.txt\r\nmimetype=text/plain\r\n");
    WriteFile("www/page.htm", "<p>page</p>");
    WriteFile("www/data.txt", Pattern(1000));
    WriteFile("www/README", "readme");
  }
};

TEST_F(ContentFilesTest, FilesCarryLengthTypeAndLastModified) {
  StartServer();
  const struct {
    const char *path;
    const char *type;
    std::size_t length;
  } cases[] = {
      {"/page.htm", "text/html", 11},
      {"/data.txt", "text/plain", 1000},
      {"/README", "application/octet-stream", 6},
  };
  std::size_t n = 0;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path);
    HttpResponse r = Get(c.path);
    EXPECT_EQ(r.statusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(r.Header("Content-Type"), c.type);
    EXPECT_EQ(r.Header("Content-Length"), std::to_string(c.length));
    EXPECT_EQ(r.body.size(), c.length);
    EXPECT_TRUE(r.Header("Last-Modified").ends_with(" GMT"));
    EXPECT_EQ(LastRow(++n)[2], "正常終了");
    EXPECT_EQ(LoggedStatusAndBytes(n), "200 " + std::to_string(c.length));
  }
}

TEST_F(ContentFilesTest, HeadSendsTheHeaderAloneAndCountsNoBytes) {
  StartServer();
  HttpResponse r = Request(GetRequest("/data.txt", "", "HEAD"));
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.Header("Content-Length"), "1000");
  EXPECT_EQ(r.body, "");
  EXPECT_EQ(LastRow(1)[2], "正常終了");
  EXPECT_EQ(LoggedStatusAndBytes(1), "200 0");
}

TEST_F(ContentFilesTest, OnlyTheExactLastModifiedTextWithoutRangeGives304) {
  StartServer();
  const std::string date = Get("/data.txt").Header("Last-Modified");
  ASSERT_FALSE(date.empty());
  Rows(1);  // the row comes after the answer; wait, so the next row is the last

  HttpResponse same = Get("/data.txt", "If-Modified-Since: " + date + "\r\n");
  EXPECT_EQ(same.statusLine, "HTTP/1.1 304 Not Modified");
  EXPECT_EQ(same.headers.size(), 3u);  // Date, Server, Connection only
  EXPECT_EQ(same.body, "");
  EXPECT_EQ(LastRow(2)[2], "ドキュメント未更新");
  EXPECT_EQ(LastRow(2)[5], "304 Not Modified");

  HttpResponse ranged =
      Get("/data.txt", "If-Modified-Since: " + date + "\r\nRange: bytes=0-4\r\n");
  EXPECT_EQ(ranged.status, 206);
  EXPECT_EQ(ranged.body, "01234");

  // Blanks around a field value are no part of it.
  EXPECT_EQ(Get("/data.txt", "If-Modified-Since:  " + date + " \r\n").status, 304);
  const std::string otherForms[] = {"Mon, 01 Jan 2100 00:00:00 GMT",
                                    date.substr(0, date.size() - 4)};
  for (const std::string &value : otherForms) {
    SCOPED_TRACE(value);
    HttpResponse r = Get("/data.txt", "If-Modified-Since: " + value + "\r\n");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body.size(), 1000u);
  }
}

TEST_F(ContentFilesTest, SingleRangesAreServedAndUnusableOnesIgnored) {
  StartServer();
  const std::string file = Pattern(1000);
  const struct {
    const char *range;
    int status;
    const char *contentRange;  // "" for a 200
    std::size_t first;
    std::size_t length;
  } cases[] = {
      {"bytes=0-99", 206, "bytes 0-99/1000", 0, 100},
      {"bytes=-100", 206, "bytes 900-999/1000", 900, 100},
      {"bytes=900-", 206, "bytes 900-999/1000", 900, 100},
      {"bytes=5-5", 206, "bytes 5-5/1000", 5, 1},
      {"bytes=900-2000", 206, "bytes 900-999/1000", 900, 100},
      {"bytes=-5000", 206, "bytes 0-999/1000", 0, 1000},
      {"bytes=0-99,200-299", 206, "bytes 0-99/1000", 0, 100},
      {"bytes=2000-", 200, "", 0, 1000},
      {"bytes=50-10", 200, "", 0, 1000},
      {"bytes=-0", 200, "", 0, 1000},
      {"bytes=-", 200, "", 0, 1000},
      {"items=0-99", 200, "", 0, 1000},
      {"bytes=100", 200, "", 0, 1000},
  };
  std::size_t n = 1;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.range);
    HttpResponse r = Get("/data.txt", std::string("Range: ") + c.range + "\r\n");
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.Header("Content-Range"), c.contentRange);
    EXPECT_EQ(r.Header("Content-Length"), std::to_string(c.length));
    EXPECT_EQ(r.body, file.substr(c.first, c.length));
    std::vector<std::string> row = LastRow(n);
    EXPECT_EQ(row[2], c.status == 206 ? "ファイルの一部を送信しました" : "正常終了");
    EXPECT_EQ(LoggedStatusAndBytes(n++),
              std::to_string(c.status) + " " + std::to_string(c.length));
  }
}

TEST_F(ContentFilesTest, CurlFetchesRangesAndConditionalRequests) {
  StartServer();
  const std::string url = Url(Port(), "/data.txt");
  EXPECT_EQ(RunCommand("curl -s -r 10-19 " + url), "0123456789");
  EXPECT_EQ(RunCommand("curl -s -o /dev/null -w '%{http_code}' -z " +
                       HomePath("www/data.txt") + " " + url),
            "304");
  EXPECT_EQ(RunCommand("curl -s -o /dev/null -w '%{http_code} %{size_download}' -z '1 Jan 2000' " +
                       url),
            "200 1000");
}

TEST_F(ContentFilesTest, ClientThatLeavesMidTransferDoesNotHurtTheServer) {
  WriteFile("www/big.bin", std::string(8 << 20, 'b'));
  StartServer();
  for (int i = 0; i < 3; ++i) {
    Client client;
    ASSERT_TRUE(client.Connect(Port()));
    ASSERT_TRUE(client.Send(GetRequest("/big.bin")));
    client.Close();
  }
  EXPECT_TRUE(Server().WaitForStdoutLines(3));
  for (const auto &row : Rows(3)) EXPECT_EQ(row[5], "500 Internal Server Error");
  EXPECT_EQ(Get("/page.htm").body, "<p>page</p>");
}

TEST_F(ContentFilesTest, ClientThatStopsReadingIsDroppedAfterTheTimeOut) {
  SetKey("connecttimeout", "300");
  SetKey("sendwait", "0");
  WriteFile("www/big.bin", std::string(32 << 20, 'b'));  // far more than the socket buffers hold
  StartServer();
  Client stalled;
  ASSERT_TRUE(stalled.Connect(Port()));
  ASSERT_TRUE(stalled.Send(GetRequest("/big.bin")));
  // Never reads: the blocked send must give up, end the request and free the slot.
  ASSERT_TRUE(Server().WaitForStdoutLines(1, 20000));
  auto row = Rows(1)[0];
  EXPECT_EQ(row[2], "相手側で切断");
  EXPECT_EQ(row[5], "500 Internal Server Error");
}

TEST_F(ContentFilesTest, AFileChangedOnDiskIsServedNewWithinASecond) {
  StartServer();
  ASSERT_EQ(Get("/page.htm").body, "<p>page</p>");
  // The same size, most likely the same second: only the change time tells.
  WriteFile("www/page.htm", "<p>PAGE</p>");
  const auto changed = std::chrono::steady_clock::now();
  std::string body;
  while (std::chrono::steady_clock::now() - changed < std::chrono::seconds(5)) {
    body = Get("/page.htm").body;
    if (body == "<p>PAGE</p>") break;
  }
  EXPECT_EQ(body, "<p>PAGE</p>");
  EXPECT_LT(std::chrono::steady_clock::now() - changed, std::chrono::milliseconds(2000));
  std::filesystem::remove(HomePath("www/page.htm"));
  while (std::chrono::steady_clock::now() - changed < std::chrono::seconds(5)) {
    if (Get("/page.htm").status == 404) break;
  }
  EXPECT_EQ(Get("/page.htm").status, 404);
}

TEST_F(ContentFilesTest, AResponseArrivesWholeWhenTheClientSentMoreThanItsHeader) {
  StartServer();
  const std::string body(256 * 1024, 'b');  // more than the socket keeps unread
  const std::string requests[] = {
      GetRequest("/data.txt", "Content-Length: " + std::to_string(body.size()) + "\r\n", "POST") +
          body,
      GetRequest("/data.txt") + GetRequest("/page.htm"),  // a second request behind the first
  };
  for (const std::string &raw : requests) {
    const HttpResponse r = Request(raw);
    EXPECT_EQ(r.status, 200);
    EXPECT_TRUE(r.closed);
    EXPECT_EQ(r.body, Pattern(1000));
  }
}

}  // namespace
}  // namespace ruz::test
