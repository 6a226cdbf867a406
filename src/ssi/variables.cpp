// The directives over the variable block (echo, set, printenv) and the six
// variables computed for echo.
#include <algorithm>

#include "common/format_time.h"
#include "common/html_escape.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/url.h"
#include "http/request_info.h"
#include "ssi/attributes.h"
#include "ssi/directives.h"
#include "ssi/document.h"

namespace ruz {

namespace {

constexpr std::size_t kTimeCapacity = kSsiFormatLimit + 1;

// "+" becomes a blank first, so an escaped "%2B" stays a plus sign.
std::string UnescapeQuery(std::string query) {
  std::replace(query.begin(), query.end(), '+', ' ');
  return UrlUnescape(query);
}

std::string DocumentLastModified(const SsiDocument &document) {
  if (document.file == nullptr || !document.file->IsOpen()) return std::string();
  return FormatSsiTime(document.timeFormat, UtcFromEpoch(document.file->Info().mtime));
}

// Values reach the page HTML-escaped unless the directive asks for
// encoding="none": a variable may hold a client's text (the query, say).
bool WantsRawValue(std::string_view attributes) {
  std::string encoding;
  return GetSsiAttribute(attributes, encoding, "encoding") && encoding == "none";
}

}  // namespace

std::string FormatSsiTime(const std::string &timeFormat, const DateTime &time) {
  std::string text;
  if (!FormatTime(text, kTimeCapacity, timeFormat, time)) text.clear();
  return text;
}

void SetSsiVariables(SsiDocument &document) {
  const RequestInfo &request = *document.request;
  EnvironmentBlock &block = document.variables;
  EnvPut(block, "DOCUMENT_NAME", PathFindFileName(request.path), true);
  EnvPut(block, "DOCUMENT_URI", request.path, true);
  EnvPut(block, "QUERY_STRING_UNESCAPED", UnescapeQuery(request.query), true);
  EnvPut(block, "DATE_LOCAL", FormatSsiTime(document.timeFormat, GetLocalDateTime()), true);
  EnvPut(block, "DATE_GMT", FormatSsiTime(document.timeFormat, GetUtcDateTime()), true);
  EnvPut(block, "LAST_MODIFIED", DocumentLastModified(document), true);
}

int SsiEcho(SsiDocument &document, std::string_view attributes) {
  std::string name;
  if (!GetSsiAttribute(attributes, name, "var")) return 1;
  SetSsiVariables(document);
  std::string value;
  if (!EnvGet(document.variables, name, value) || value.empty()) return 1;
  const std::string text = WantsRawValue(attributes) ? value : EscapeHtml(value);
  return document.output->Send(text) ? 1 : 0;
}

int SsiSet(SsiDocument &document, std::string_view attributes) {
  std::string name;
  std::string value;
  GetSsiAttribute(attributes, name, "var");
  GetSsiAttribute(attributes, value, "value");
  EnvPut(document.variables, name, value, true);
  return 1;
}

int SsiPrintenv(SsiDocument &document, std::string_view) {
  for (std::string_view entry : EnvEntries(document.variables)) {
    if (!document.output->Send(EscapeHtml(entry)) || !document.output->Send("\r\n")) return 0;
  }
  return 1;
}

}  // namespace ruz
