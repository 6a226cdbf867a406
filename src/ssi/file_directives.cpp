// The directives that refer to a file: fsize, flastmod and include, and the
// resolution of their virtual and file attributes.
#include "platform/byte_size.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/url.h"
#include "http/access.h"
#include "ssi/attributes.h"
#include "ssi/directives.h"
#include "ssi/document.h"

namespace ruz {

namespace {

constexpr std::size_t kPathLimit = 260;

// A directory is no file to measure or include.
bool StatResolvedFile(const SsiDocument &document, std::string_view attributes, FileInfo &info,
                      std::string &path) {
  if (!ResolveSsiPath(path, attributes, document)) return false;
  info = GetFileInfo(path);
  return IsExistingFile(info);
}

bool SendText(SsiDocument &document, std::string_view text) {
  return text.empty() || document.output->Send(text);
}

}  // namespace

bool ResolveSsiPath(std::string &path, std::string_view attributes, const SsiDocument &document) {
  std::string value;
  if (GetSsiAttribute(attributes, value, "virtual")) {
    std::string mapped;
    MapRequestPath(mapped, CanonicalRequestPath(std::string_view(value).substr(0, kPathLimit)),
                   *document.slot);
    path = mapped.substr(0, kPathLimit);
    return true;
  }
  if (GetSsiAttribute(attributes, value, "file")) {
    path = PathCombine(document.directory, value);
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
