// The HTML of a directory listing.
#include <algorithm>
#include <cstdio>

#include "common/html_escape.h"
#include "content/pages.h"
#include "platform/byte_size.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text_codes.h"
#include "platform/url.h"
#include "http/response_header.h"

namespace ruz {

const char *const kProjectPageUrl = "http://ruzo.example/ruz/";

namespace {

std::string ListingHead(std::string_view title) {
  std::string head = "<html>\r\n<head>\r\n<title>Index of ";
  head.append(title).append("</title>\r\n</head>\r\n<body>\r\n<h1>Index of ");
  head.append(title).append("</h1>\r\n<hr>\r\n<table border=\"1\">\r\n<tr>\r\n");
  head.append(RUZ_CP932("<th width=\"300\">ファイル名</th>\r\n"));
  head.append(RUZ_CP932("<th width=\"100\">サイズ</th>\r\n"));
  head.append(RUZ_CP932("<th width=\"200\">最終更新日</th>\r\n"));
  head.append("</tr>\r\n<tr>\r\n<td><a href=\"../\">Parent Directory</a></td>\r\n"
              "<td>-</td>\r\n<td>-</td>\r\n</tr>\r\n");
  return head;
}

// "2026/12/07 14:05:09" in UTC.
std::string FormatListingTime(std::int64_t mtime) {
  DateTime t = UtcFromEpoch(mtime);
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return text;
}

// The link target is the name percent-encoded (so "#", "?", "%" and blanks
// stay part of it), then escaped for the attribute.
std::string EntryRow(const DirEntry &entry) {
  const bool dir = entry.info.isDirectory;
  const std::string slash = dir ? "/" : "";
  const std::string target = EscapeHtmlName(PercentEncodePath(entry.name));
  std::string row = "<tr>\r\n<td><a href=\"./" + target + slash + "\">" +
                    EscapeHtmlName(entry.name) + slash + "</a></td>\r\n";
  row += "<td>" + (dir ? std::string("-") : FormatByteSize(entry.info.size)) + "</td>\r\n";
  row += "<td>" + FormatListingTime(entry.info.mtime) + "</td>\r\n</tr>\r\n";
  return row;
}

bool IsListed(const DirEntry &entry, bool directories) {
  return entry.info.exists && entry.info.isDirectory == directories && !IsHiddenName(entry.name) &&
         entry.name != "." && entry.name != "..";
}

}  // namespace

std::string EscapeHtmlName(std::string_view name) { return EscapeHtml(name, Ampersand::kEscape); }

bool IsHiddenName(std::string_view name) { return name.starts_with('.'); }

std::string ListingTitle(std::string_view path) {
  std::size_t end = 0;
  while (end < path.size()) {
    std::size_t width = IsCp932LeadByte(static_cast<unsigned char>(path[end])) ? 2 : 1;
    if (end + width > kPathCapacity) break;
    end += width;
  }
  std::string_view title = path.substr(0, std::min(end, path.size()));
  if (title.ends_with('/')) title.remove_suffix(1);
  return std::string(title);
}

std::string PageEnd() {
  std::string end = "<address><a href=\"";
  end.append(kProjectPageUrl).append("\">").append(kServerSoftware);
  end.append("</a></address>\r\n</body>\r\n</html>");
  return end;
}

std::string BuildListingPage(std::string_view path, const std::vector<DirEntry> &entries) {
  std::string page = ListingHead(EscapeHtmlName(ListingTitle(path)));
  for (bool directories : {true, false}) {
    for (const DirEntry &entry : entries) {
      if (IsListed(entry, directories)) page += EntryRow(entry);
    }
  }
  page += "</table>\r\n<hr>\r\n" + PageEnd();
  return page;
}

}  // namespace ruz
