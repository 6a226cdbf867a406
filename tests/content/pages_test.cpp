// The generated listing and redirect pages.
#include <gtest/gtest.h>

#include "content/pages.h"
#include "platform/text_codes.h"

namespace ruz {
namespace {

// 2026-12-07 14:05:09 UTC
constexpr std::int64_t kTime = 1796652309;

DirEntry Dir(const std::string &name) { return {name, {true, true, 4096, kTime}}; }
DirEntry File(const std::string &name, std::uint64_t size) {
  return {name, {true, false, size, kTime}};
}

std::string Head(const std::string &title) {
  return "<html>\r\n<head>\r\n<title>Index of " + title +
         "</title>\r\n</head>\r\n<body>\r\n<h1>Index of " + title +
         "</h1>\r\n<hr>\r\n<table border=\"1\">\r\n<tr>\r\n" +
         RUZ_CP932("<th width=\"300\">ファイル名</th>\r\n<th width=\"100\">サイズ</th>\r\n"
                   "<th width=\"200\">最終更新日</th>\r\n") +
         "</tr>\r\n<tr>\r\n<td><a href=\"../\">Parent Directory</a></td>\r\n<td>-</td>\r\n"
         "<td>-</td>\r\n</tr>\r\n";
}

std::string Foot() {
  return std::string("</table>\r\n<hr>\r\n<address><a href=\"") + kProjectPageUrl +
         "\">Ruzo'sWebserver/1.0</a></address>\r\n</body>\r\n</html>";
}

TEST(ListingPageTest, ListsVisibleDirectoriesFirstThenFilesInEnumerationOrder) {
  const std::vector<DirEntry> entries = {
      File("b.txt", 1300),    Dir("zeta"),          File(".hidden", 5),
      Dir(".git"),            File("big.iso", 5ull << 30), Dir("alpha"),
      {"dangling", {false, false, 0, 0}},
  };
  const std::string expected =
      Head("/pub") +
      "<tr>\r\n<td><a href=\"./zeta/\">zeta/</a></td>\r\n<td>-</td>\r\n"
      "<td>2026/12/07 14:05:09</td>\r\n</tr>\r\n"
      "<tr>\r\n<td><a href=\"./alpha/\">alpha/</a></td>\r\n<td>-</td>\r\n"
      "<td>2026/12/07 14:05:09</td>\r\n</tr>\r\n"
      "<tr>\r\n<td><a href=\"./b.txt\">b.txt</a></td>\r\n<td>1.26 KB</td>\r\n"
      "<td>2026/12/07 14:05:09</td>\r\n</tr>\r\n"
      "<tr>\r\n<td><a href=\"./big.iso\">big.iso</a></td>\r\n<td>5.00 GB</td>\r\n"
      "<td>2026/12/07 14:05:09</td>\r\n</tr>\r\n" +
      Foot();
  EXPECT_EQ(BuildListingPage("/pub/", entries), expected);
}

TEST(ListingPageTest, EmptyDirectoryHasTheParentRowOnlyAndTheRootAnEmptyTitle) {
  EXPECT_EQ(BuildListingPage("/", {}), Head("") + Foot());
}

TEST(ListingPageTest, EscapesNamesAndPercentEncodesLinkTargets) {
  const std::string page = BuildListingPage(
      "/<b>&/", {File("a<b>\"c'.txt", 1), Dir("x&y#z"), File("50% off?.txt", 1),
                 File("\x95\x5C.txt", 1)});
  EXPECT_NE(page.find("Index of /&lt;b&gt;&amp;</title>"), std::string::npos);
  for (const char *row : {"<a href=\"./a%3Cb%3E%22c&#39;.txt\">a&lt;b&gt;&quot;c&#39;.txt</a></td>",
                          "<a href=\"./x&amp;y%23z/\">x&amp;y#z/</a></td>",
                          "<a href=\"./50%25%20off%3F.txt\">50% off?.txt</a></td>",
                          "<a href=\"./%95%5C.txt\">\x95\x5C.txt</a></td>"}) {
    EXPECT_NE(page.find(row), std::string::npos) << row;
  }
  EXPECT_EQ(page.find("<b>"), std::string::npos);
}

TEST(ListingPageTest, LargeListingIsCompleteWithEveryRow) {
  std::vector<DirEntry> entries;
  for (int i = 0; i < 2000; ++i) entries.push_back(File("file" + std::to_string(i) + ".dat", i));
  const std::string page = BuildListingPage("/many/", entries);
  EXPECT_GT(page.size(), 65536u * 2);
  EXPECT_NE(page.find("./file1999.dat"), std::string::npos);
  EXPECT_TRUE(page.ends_with("</html>"));
}

TEST(ListingTitleTest, CutsAt260BytesWithoutSplittingADoubleByteCharacter) {
  const std::string kanji = RUZ_CP932("漢");
  ASSERT_EQ(kanji.size(), 2u);
  EXPECT_EQ(ListingTitle("/pub/"), "/pub");
  EXPECT_EQ(ListingTitle("/"), "");
  EXPECT_EQ(ListingTitle(std::string(300, 'a')), std::string(260, 'a'));
  // 259 single bytes then a double-byte character: the character does not fit.
  EXPECT_EQ(ListingTitle(std::string(259, 'a') + kanji + "/"), std::string(259, 'a'));
  // The cut leaves a final "/" that is then removed too.
  EXPECT_EQ(ListingTitle(std::string(259, 'a') + "/b"), std::string(259, 'a'));
}

TEST(RedirectTest, LocationAppendsASlashNeverBeginsWithTwoAndIsAscii) {
  const struct {
    const char *path;
    const char *location;
  } cases[] = {
      {"/docs", "/docs/"},
      {"/a/b", "/a/b/"},
      {"//evil.example/x", "/evil.example/x/"},
      {"///evil.example", "/evil.example/"},
      {"/a//b", "/a//b/"},
      {"//", "/"},
      {"/\x95\x5C", "/%95%5C/"},
      {"/a b#?\\", "/a%20b%23%3F%5C/"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(RedirectLocation(c.path), c.location);
  }
}

TEST(RedirectTest, PageLinksToTheLocation) {
  EXPECT_EQ(BuildRedirectPage("/docs/"),
            RUZ_CP932("<html>\r\n<head>\r\n<title>リダイレクション</title>\r\n</head>\r\n"
                      "<body>\r\n<h1>リダイレクション</h1>\r\n<hr>\r\n"
                      "<a href=\"/docs/\">こちら</a>へ移動してください\r\n<hr>\r\n") +
                "<address><a href=\"" + kProjectPageUrl +
                "\">Ruzo'sWebserver/1.0</a></address>\r\n</body>\r\n</html>");
  EXPECT_NE(BuildRedirectPage("/a\"b/").find("href=\"/a&quot;b/\""), std::string::npos);
}

}  // namespace
}  // namespace ruz
