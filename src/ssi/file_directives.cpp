// The directives that refer to a file: fsize, flastmod and include, and the
// resolution of their virtual and file attributes.
#include "cgi/cgi.h"
#include "http/server_shared.h"
#include "config/settings.h"
#include "http/request_info.h"
#include "platform/byte_size.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/url.h"
#include "http/connection_slot.h"
#include "server/admission.h"
#include "ssi/attributes.h"
#include "ssi/directives.h"
#include "ssi/document.h"

namespace ruz {

namespace {

// A path that stays below the folder it is joined to: not absolute, no "..",
// no backslash that a joining step might take for a separator.
bool IsPlainRelativePath(std::string_view path) {
  return !path.empty() && path.front() != '/' && path.find("..") == std::string_view::npos &&
         path.find('\\') == std::string_view::npos;
}

// A directory is no file to measure or include.
bool StatResolvedFile(const SsiDocument &document, std::string_view attributes, FileInfo &info,
                      std::string &path) {
  if (!ResolveSsiPath(path, attributes, document)) return false;
  info = GetFileInfo(path);
  return IsExistingFile(info);
}

// A sub-request of the document's client for requestPath; a CGI program (where
// one would run) is refused, its source is no text to show.
bool ResolveVirtualPath(std::string &path, std::string_view requestPath,
                        const SsiDocument &document) {
  const ServerSettings &settings = *document.slot->settings;
  RequestInfo subRequest = *document.request;
  subRequest.path = requestPath;
  const PathJudgement judgement =
      JudgeRequestPath(*document.shared, subRequest);
  if (judgement.verdict != PathVerdict::kAdmitted) return false;
  if (settings.cgiAllowed && CgiAndSsiAllowed(settings, requestPath) &&
      FindCgiRule(settings, judgement.localPath) != -1) {
    return false;
  }
  path = judgement.localPath.substr(0, kPathCapacity);
  return true;
}

bool SendText(SsiDocument &document, std::string_view text) {
  return text.empty() || document.output->Send(text);
}

}  // namespace

bool ResolveSsiPath(std::string &path, std::string_view attributes, const SsiDocument &document) {
  std::string value;
  if (GetSsiAttribute(attributes, value, "virtual")) {
    return ResolveVirtualPath(path, CanonicalRequestPath(std::string_view(value).substr(0, kPathCapacity)),
                              document);
  }
  if (GetSsiAttribute(attributes, value, "file")) {
    if (!IsPlainRelativePath(value)) return false;
    const std::string combined = PathCombine(document.directory, value);
    if (IsPrivateFile(*document.shared, GetFileInfo(combined))) return false;
    path = combined;
    return true;
  }
  return false;
}

int SsiFsize(SsiDocument &document, std::string_view attributes) {
  FileInfo info;
  std::string path;
  if (!StatResolvedFile(document, attributes, info, path)) return 0;
  std::string text;
  if (document.sizeFormat == "abbrev" || document.sizeFormat == "addrev") {
    text = FormatByteSize(info.size);
  } else if (document.sizeFormat == "bytes") {
    text = std::to_string(info.size);
  } else {
    return 0;
  }
  return SendText(document, text) ? 1 : 0;
}

int SsiFlastmod(SsiDocument &document, std::string_view attributes) {
  FileInfo info;
  std::string path;
  if (!StatResolvedFile(document, attributes, info, path)) return 0;
  const std::string text = FormatSsiTime(document.timeFormat, UtcFromEpoch(info.mtime));
  return SendText(document, text) ? 1 : 0;
}

int SsiInclude(SsiDocument &document, std::string_view attributes) {
  FileInfo info;
  std::string path;
  if (!StatResolvedFile(document, attributes, info, path)) return 0;
  ReadFile file(path);
  if (!file.IsOpen()) return 0;
  return document.output->SendFile(file, file.Info().size) ? 1 : 0;
}

}  // namespace ruz
