// Multi-line texts: CR, LF and CR LF separated lists and header blocks.
#include "common/lines.h"

#include "platform/text_codes.h"
#include "platform/wildcard.h"

namespace ruz {
namespace {

// Bounds of the line that starts at pos: [pos, end) is its text, next is where
// the following line starts.
struct LineSpan {
  std::size_t end = 0;
  std::size_t next = 0;
  bool hasBreak = false;
};

LineSpan LineAt(std::string_view text, std::size_t pos) {
  LineSpan span;
  span.end = FindLineBreak(text, pos);
  if (span.end == std::string_view::npos) {
    span.end = span.next = text.size();
    return span;
  }
  span.hasBreak = true;
  span.next = span.end + 1;
  if (text[span.end] == '\r' && span.next < text.size() && text[span.next] == '\n') ++span.next;
  return span;
}

// Start of line n, or npos when the text has no line n.
std::size_t LineStart(std::string_view text, int n) {
  if (n < 0) return std::string_view::npos;
  std::size_t pos = 0;
  for (int i = 0; i < n; ++i) {
    LineSpan span = LineAt(text, pos);
    if (span.next >= text.size()) return std::string_view::npos;
    pos = span.next;
  }
  return pos < text.size() ? pos : std::string_view::npos;
}

}  // namespace

std::size_t FindLineBreak(std::string_view text, std::size_t pos) {
  for (; pos < text.size(); ++pos) {
    if (text[pos] == '\r' || text[pos] == '\n') return pos;
  }
  return std::string_view::npos;
}

bool GetLine(std::string &line, std::string_view text, int n) {
  std::size_t start = LineStart(text, n);
  if (start == std::string_view::npos) {
    line.clear();
    return false;
  }
  line.assign(text.substr(start, LineAt(text, start).end - start));
  return true;
}

int CountLineBreaks(std::string_view text) {
  int count = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    LineSpan span = LineAt(text, pos);
    if (span.hasBreak) ++count;
    pos = span.next;
  }
  return count;
}

int FindLine(std::string_view list, std::string_view key, bool wildcard) {
  int index = 0;
  for (std::size_t pos = 0; pos < list.size(); ++index) {
    LineSpan span = LineAt(list, pos);
    std::string_view line = list.substr(pos, span.end - pos);
    if (wildcard ? PathMatchSpec(key, line) : line == key) return index;
    pos = span.next;
  }
  return -1;
}

std::string &ReplaceAll(std::string &text, std::string_view searched, std::string_view replacement) {
  if (searched.empty()) return text;
  std::size_t pos = 0;
  while ((pos = FindIgnoreCase(text, searched, pos)) != std::string::npos) {
    text.replace(pos, searched.size(), replacement);
    pos += replacement.size();
  }
  return text;
}

void SetLine(std::string &block, std::string_view line, int index, bool replace) {
  if (index < 0 || !replace) {
    if (!block.empty() && block.front() != '\r' && block.front() != '\n') block += "\r\n";
    block += line;
    return;
  }
  std::size_t start = LineStart(block, index);
  if (start == std::string_view::npos) return;
  LineSpan span = LineAt(block, start);
  std::string replacement(line);
  if (span.hasBreak) replacement += "\r\n";
  block.replace(start, span.next - start, replacement);
}

void ReplaceChar(std::string &text, char from, char to) {
  for (char &c : text) {
    if (c == from) c = to;
  }
}

}  // namespace ruz
