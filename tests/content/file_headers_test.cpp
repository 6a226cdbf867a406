// Content types from the MIME table and the header lines of a file response.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "content/mime_type.h"
#include "content/static_file.h"

namespace ruz {
namespace {

ServerSettings MimeSettings() {
  ServerSettings settings;
  settings.defmime = "application/octet-stream";
  settings.mimeTypes = {{".html\r.htm", "text/html"},
                        {".HTML", "text/x-upper"},
                        {".txt", "text/plain"},
                        {".htm", "text/second"}};
  return settings;
}

TEST(MimeTypeTest, ChoosesTheFirstEntryListingTheExactExtension) {
  const ServerSettings settings = MimeSettings();
  const struct {
    const char *path;
    const char *type;
  } cases[] = {
      {"/www/a.html", "text/html"},
      {"/www/a.htm", "text/html"},  // the first entry wins over the fourth
      {"/www/A.HTML", "text/x-upper"},
      {"/www/a.Html", "application/octet-stream"},  // letter case is significant
      {"/www/archive.tar.txt", "text/plain"},
      {"/www/README", "application/octet-stream"},
      {"/www/dir.html/README", "application/octet-stream"},
      {"/www/a.css", "application/octet-stream"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ContentTypeFor(settings, c.path), c.type);
  }
  EXPECT_EQ(FindMimeType(settings, ".txt"), 2);
  EXPECT_EQ(FindMimeType(settings, "txt"), -1);
}

TEST(MimeTypeTest, EmptyDefaultGivesAnEmptyType) {
  ServerSettings settings = MimeSettings();
  settings.defmime.clear();
  EXPECT_EQ(ContentTypeFor(settings, "/www/noext"), "");
  EXPECT_EQ(FileHeaderLines("", nullptr, 3, "", ""), "Content-Length: 3\r\n");
}

TEST(FileHeaderLinesTest, PartialResponseCarriesRangeAndLengthOfThePartIn64Bits) {
  const std::uint64_t size = 5ull << 30;
  FileSpan span{4294967296ull, 10};
  EXPECT_EQ(FileHeaderLines("Sun, 06 Dec 2026 14:05:09 GMT", &span, size, "video/mp4",
                            "WWW-Authenticate: Basic realm=\"x\"\r\n"),
            "Last-Modified: Sun, 06 Dec 2026 14:05:09 GMT\r\n"
            "Content-Range: bytes 4294967296-4294967305/5368709120\r\n"
            "Content-Length: 10\r\n"
            "Content-Type: video/mp4\r\n"
            "WWW-Authenticate: Basic realm=\"x\"\r\n");
  EXPECT_EQ(FileHeaderLines("", nullptr, size, "video/mp4", ""),
            "Content-Length: 5368709120\r\nContent-Type: video/mp4\r\n");
}

}  // namespace
}  // namespace ruz
