// Directory requests end to end: the redirect to the path with its final "/"
// and the generated listing.
#include <regex>

#include "integration/content_support.h"

namespace ruz::test {
namespace {

class ContentDirectoriesTest : public ContentServerTest {
 protected:
  void SetUp() override { SetKey("index", ""); }
};

TEST_F(ContentDirectoriesTest, DirectoryWithoutFinalSlashIsRedirectedToTheSameHost) {
  MakeDir("www/docs");
  StartServer();
  const struct {
    const char *target;
    const char *location;
  } cases[] = {
      {"/docs", "/docs/"},
      {"/docs?x=1", "/docs/"},
      {"//docs", "/docs/"},
      {"///docs", "/docs/"},
  };
  std::size_t n = 0;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.target);
    HttpResponse r = Get(c.target);
    EXPECT_EQ(r.statusLine, "HTTP/1.1 302 Found");
    EXPECT_EQ(r.Header("Location"), c.location);
    EXPECT_EQ(r.Header("Content-Type"), "text/html");
    EXPECT_EQ(r.Header("Content-Length"), std::to_string(r.body.size()));
    EXPECT_NE(r.body.find(std::string("<a href=\"") + c.location + "\">"), std::string::npos);
    std::vector<std::string> row = LastRow(++n);
    EXPECT_EQ(row[5], "302 Found");
  }
  EXPECT_EQ(Rows(1)[0][2], "/docs/へ移動");
  // The redirect body is not counted.
  EXPECT_EQ(LoggedStatusAndBytes(4), "302 0");
}

TEST_F(ContentDirectoriesTest, ListingShowsVisibleDirectoriesThenFilesEscaped) {
  WriteFile("www/pub/b.txt", std::string(1300, 'x'));
  WriteFile("www/pub/.secret", "s");
  WriteFile("www/pub/.hiddendir/x", "x");
  WriteFile("www/pub/sub/inner.txt", "i");
  WriteFile("www/pub/<script>'q\".txt", "e");
  WriteFile("www/pub/a&b#c.txt", "amp");
  WriteFile("www/pub/日本語.txt", "jp");
  WriteFile("www/pub/表/x.txt", "x");  // a second byte 0x5C in CP932
  WriteFile("www/pub/50% off?.txt", "off");
  StartServer();
  HttpResponse r = Get("/pub/");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.Header("Content-Type"), "text/html; charset=Shift_JIS");
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(r.body.size()));
  const std::string page = Cp932ToUtf8(r.body);
  EXPECT_NE(page.find("<title>Index of /pub</title>"), std::string::npos);
  EXPECT_NE(page.find("<th width=\"300\">ファイル名</th>"), std::string::npos);
  const std::size_t parent = page.find("<a href=\"../\">Parent Directory</a>");
  const std::size_t sub = page.find("<a href=\"./sub/\">sub/</a></td>\r\n<td>-</td>");
  const std::size_t file = page.find("<a href=\"./b.txt\">b.txt</a></td>\r\n<td>1.26 KB</td>");
  EXPECT_NE(parent, std::string::npos);
  EXPECT_NE(sub, std::string::npos);
  EXPECT_NE(file, std::string::npos);
  EXPECT_LT(parent, sub);
  EXPECT_LT(sub, file);
  EXPECT_EQ(page.find("secret"), std::string::npos);
  EXPECT_EQ(page.find("hiddendir"), std::string::npos);
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find(">&lt;script&gt;&#39;q&quot;.txt</a></td>"), std::string::npos);
  EXPECT_NE(page.find(">a&amp;b#c.txt</a></td>"), std::string::npos);
  EXPECT_EQ(LastRow(1)[2], "正常終了");
  EXPECT_EQ(LoggedStatusAndBytes(1), "200 " + std::to_string(r.body.size()));
  EXPECT_NE(page.find(">日本語.txt</a></td>"), std::string::npos);
  // Every link, read as HTML reads it, leads to its entry; no anchor is left
  // open and no "&" stands unescaped.
  const std::regex link("<a href=\"([^\"]*)\">");
  int followed = 0;
  for (std::sregex_iterator it(r.body.begin(), r.body.end(), link), end; it != end; ++it) {
    std::string target = (*it)[1];
    if (target == "../" || target.starts_with("http")) continue;
    for (const auto &[entity, byte] : {std::pair("&#39;", "'"), std::pair("&amp;", "&")}) {
      for (std::size_t at; (at = target.find(entity)) != std::string::npos;) {
        target.replace(at, std::string_view(entity).size(), byte);
      }
    }
    ASSERT_EQ(target.find_first_of("#?\" <>"), std::string::npos) << target;
    ++followed;
    EXPECT_EQ(Get("/pub/" + target.substr(2)).status, 200) << target;
  }
  EXPECT_EQ(followed, 7);
  std::size_t opened = 0;
  for (std::size_t at = 0; (at = r.body.find("<a ", at)) != std::string::npos; ++at) ++opened;
  std::size_t closedAnchors = 0;
  for (std::size_t at = 0; (at = r.body.find("</a>", at)) != std::string::npos; ++at) ++closedAnchors;
  EXPECT_EQ(opened, closedAnchors);
  EXPECT_EQ(std::regex_search(r.body, std::regex("&(?![a-z]+;|#[0-9]+;)")), false);
  // The folder whose name ends in 0x5C is reached through its redirect.
  const HttpResponse moved = Get("/pub/%95%5C");
  EXPECT_EQ(moved.status, 302);
  EXPECT_EQ(moved.Header("Location"), "/pub/%95%5C/");
  EXPECT_EQ(Get(moved.Header("Location")).status, 200);
}

TEST_F(ContentDirectoriesTest, ListedNamesLeadBackToTheirFiles) {
  WriteFile("www/pub/日本語.txt", "jp");
  StartServer();
  // The link in the page is CP932; a browser sends it percent-encoded.
  EXPECT_EQ(Get("/pub/%93%FA%96%7B%8C%EA.txt").body, "jp");
  EXPECT_EQ(Get("/pub/%E6%97%A5%E6%9C%AC%E8%AA%9E.txt").body, "jp");
}

TEST_F(ContentDirectoriesTest, RootAndEmptyAndLargeDirectories) {
  MakeDir("www/empty");
  for (int i = 0; i < 1000; ++i) {
    WriteFile("www/many/a_rather_long_file_name_number_" + std::to_string(i) + ".txt", "x");
  }
  StartServer();
  HttpResponse root = Get("/");
  EXPECT_NE(root.body.find("<title>Index of </title>"), std::string::npos);
  EXPECT_NE(root.body.find("<a href=\"./empty/\">"), std::string::npos);

  HttpResponse empty = Get("/empty/");
  EXPECT_EQ(empty.status, 200);
  EXPECT_EQ(empty.body.find("<a href=\"./"), std::string::npos);

  HttpResponse many = Get("/many/");
  EXPECT_GT(many.body.size(), 131072u);
  EXPECT_EQ(many.Header("Content-Length"), std::to_string(many.body.size()));
  EXPECT_NE(many.body.find("number_999.txt\">"), std::string::npos);
  EXPECT_TRUE(many.body.ends_with("</html>"));
}

}  // namespace
}  // namespace ruz::test
