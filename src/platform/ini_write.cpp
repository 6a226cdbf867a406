// Writing one ini key or deleting one section, keeping every other byte.
#include <cerrno>

#include "platform/files.h"
#include "platform/ini.h"
#include "platform/ini_lines.h"
#include "platform/text_codes.h"

namespace ruz {
namespace {

// Where a section sits in the text: its header line, the first of its key
// lines that carries the wanted key, and the end of its last key line.
struct SectionSpan {
  bool found = false;
  std::size_t headerStart = 0;
  std::size_t end = 0;         // start of the next header, or the text's end
  std::size_t afterLast = 0;   // after the last entry's break (or the header's)
  bool hasKey = false;
  IniLine keyLine;
};

SectionSpan FindSectionSpan(std::string_view text, std::string_view section, std::string_view key) {
  SectionSpan span;
  for (std::size_t pos = 0; pos < text.size();) {
    IniLine line = ReadIniLine(text, pos);
    pos = line.next;
    if (line.kind == IniLineKind::kSection) {
      if (span.found) return span;
      if (!EqualsIgnoreCase(line.name, section)) continue;
      span.found = true;
      span.headerStart = line.start;
      span.afterLast = line.next;
    } else if (span.found && line.kind == IniLineKind::kEntry) {
      span.afterLast = line.next;
      if (!span.hasKey && !key.empty() && EqualsIgnoreCase(line.name, key)) {
        span.hasKey = true;
        span.keyLine = line;
      }
    }
    span.end = line.next;
  }
  return span;
}

bool EndsWithBreak(std::string_view text) {
  return !text.empty() && (text.back() == '\r' || text.back() == '\n');
}

// The file's current text; a missing file reads as empty. Fails when the file
// exists but cannot be read (it must not be overwritten then) or is read-only:
// the rename that replaces it would succeed, but the operator meant it to stay.
WriteResult ReadExisting(std::string_view path, std::string &text) {
  text.clear();
  const bool read = ReadWholeFile(path, text);
  const int error = errno;
  const FileInfo info = GetFileInfo(path);
  if (!info.exists) return {};
  if (info.isDirectory) return WriteFailure(EISDIR);
  if (!read) return WriteFailure(error);
  if (!CanWriteFile(path)) return WriteFailure(EACCES);
  return {};
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reading drops a value's outer blanks and one pair of enclosing quotes, so a
// value that would lose either (a CGI template such as "%filepath%" "%query%")
// is written inside one more pair of double quotes and reads back unchanged.
bool NeedsProtectingQuotes(std::string_view value) {
  if (value.empty()) return false;
  if (IsBlank(value.front()) || IsBlank(value.back())) return true;
  const char first = value.front();
  return value.size() >= 2 && (first == '"' || first == '\'') && value.back() == first;
}

std::string KeyLine(std::string_view key, std::string_view value) {
  std::string line(key);
  line += '=';
  if (NeedsProtectingQuotes(value)) {
    line += '"';
    line += value;
    line += '"';
  } else {
    line += value;
  }
  return line;
}

// Whether text, which ends with a line break, ends with an empty line.
bool EndsWithBlankLine(std::string_view text) {
  std::string_view rest = text;
  if (rest.ends_with("\r\n")) {
    rest.remove_suffix(2);
  } else {
    rest.remove_suffix(1);
  }
  return rest.empty() || EndsWithBreak(rest);
}

// A line break inside a name or value would add lines (even sections) of its
// own to the file.
bool IsSingleLine(std::string_view text) { return text.find_first_of("\r\n") == std::string_view::npos; }

}  // namespace

WriteResult WriteIniString(std::string_view path, std::string_view section, std::string_view key,
                           std::string_view value) {
  if (!IsSingleLine(section) || !IsSingleLine(key) || !IsSingleLine(value)) {
    return WriteFailure(EINVAL);
  }
  std::string text;
  if (WriteResult read = ReadExisting(path, text); !read) return read;
  SectionSpan span = FindSectionSpan(text, section, key);
  if (span.hasKey) {
    text.replace(span.keyLine.start, span.keyLine.end - span.keyLine.start, KeyLine(key, value));
  } else if (span.found) {
    std::string insert = KeyLine(key, value) + "\r\n";
    if (span.afterLast == text.size() && !EndsWithBreak(text)) insert.insert(0, "\r\n");
    text.insert(span.afterLast, insert);
  } else {
    // A new section starts after a blank line, so appended sections stay apart.
    if (!text.empty() && !EndsWithBreak(text)) text += "\r\n";
    if (!text.empty() && !EndsWithBlankLine(text)) text += "\r\n";
    text += "[" + std::string(section) + "]\r\n" + KeyLine(key, value) + "\r\n";
  }
  return ReplaceFileAtomically(path, text);
}

WriteResult DeleteIniSection(std::string_view path, std::string_view section) {
  std::string text;
  if (WriteResult read = ReadExisting(path, text); !read) return read;
  SectionSpan span = FindSectionSpan(text, section, {});
  if (!span.found) return {false, "no such section"};
  text.erase(span.headerStart, span.end - span.headerStart);
  return ReplaceFileAtomically(path, text);
}

}  // namespace ruz
