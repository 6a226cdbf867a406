// The directives over the variable block (echo, set, printenv) and the six
// variables computed for echo.
#include <algorithm>

#include "common/format_time.h"
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
  return document.output->Send(value) ? 1 : 0;
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
    if (!document.output->Send(entry) || !document.output->Send("\r\n")) return 0;
  }
  return 1;
}

}  // namespace ruz
