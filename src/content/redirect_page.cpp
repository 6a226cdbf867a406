// The HTML and the Location of the redirect from a directory path without its
// final "/".
#include "content/pages.h"
#include "platform/text_codes.h"
#include "platform/url.h"

namespace ruz {

std::string RedirectLocation(std::string_view path) {
  // "//host/dir/" would send the client to another site.
  std::string location = std::string(path) + "/";
  std::size_t slashes = location.find_first_not_of('/');
  if (slashes == std::string::npos) slashes = location.size();
  if (slashes > 1) location.erase(0, slashes - 1);
  // A header carries ASCII only: a CP932 name (whose second byte may be "\")
  // goes out percent-encoded, as the client sends it back.
  return PercentEncodePath(location);
}

std::string BuildRedirectPage(std::string_view location) {
  std::string page = RUZ_CP932(
      "<html>\r\n<head>\r\n<title>リダイレクション</title>\r\n</head>\r\n<body>\r\n"
      "<h1>リダイレクション</h1>\r\n<hr>\r\n<a href=\"");
  page += EscapeHtmlName(location);
  page += RUZ_CP932("\">こちら</a>へ移動してください\r\n<hr>\r\n");
  page += PageEnd();
  return page;
}

}  // namespace ruz
