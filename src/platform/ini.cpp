// Ini text parsing and value look-up with the private-profile rules.
#include "platform/ini.h"

#include "platform/files.h"
#include "platform/ini_lines.h"
#include "platform/text_codes.h"

namespace ruz {
namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view s) {
  std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

void ClassifyLine(std::string_view text, IniLine &line) {
  std::string_view content = Trim(text);
  if (content.empty()) return;
  if (content.front() == ';') {
    line.kind = IniLineKind::kComment;
  } else if (content.front() == '[') {
    line.kind = IniLineKind::kSection;
    std::size_t close = content.rfind(']');
    std::size_t length = close == 0 || close == std::string_view::npos ? content.size() : close;
    line.name = Trim(content.substr(1, length - 1));
  } else {
    line.kind = IniLineKind::kEntry;
    std::size_t equals = content.find('=');
    line.name = Trim(content.substr(0, equals));
    if (equals != std::string_view::npos) line.value = Trim(content.substr(equals + 1));
  }
}

const IniSection *FindSection(const IniDocument &doc, std::string_view name) {
  for (const IniSection &section : doc.sections) {
    if (EqualsIgnoreCase(section.name, name)) return &section;
  }
  return nullptr;
}

const IniEntry *FindEntry(const IniDocument &doc, std::string_view section, std::string_view key) {
  const IniSection *found = FindSection(doc, section);
  if (found == nullptr) return nullptr;
  for (const IniEntry &entry : found->entries) {
    if (EqualsIgnoreCase(entry.key, key)) return &entry;
  }
  return nullptr;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string Cut(std::string_view value, std::size_t capacity) {
  std::size_t limit = capacity == 0 ? 0 : capacity - 1;
  return std::string(value.substr(0, limit));
}

}  // namespace

int ParseIniInt(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

IniLine ReadIniLine(std::string_view text, std::size_t pos) {
  IniLine line;
  line.start = pos;
  std::size_t end = text.find_first_of("\r\n", pos);
  if (end == std::string_view::npos) end = text.size();
  line.end = end;
  line.next = end;
  if (end < text.size()) {
    line.next = end + 1;
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') line.next = end + 2;
  }
  ClassifyLine(text.substr(pos, end - pos), line);
  return line;
}

IniDocument ParseIni(std::string_view text) {
  IniDocument doc;
  IniSection *current = nullptr;
  for (std::size_t pos = 0; pos < text.size();) {
    IniLine line = ReadIniLine(text, pos);
    pos = line.next;
    if (line.kind == IniLineKind::kSection) {
      doc.sections.push_back(IniSection{std::string(line.name), {}});
      current = &doc.sections.back();
    } else if (line.kind == IniLineKind::kEntry && current != nullptr) {
      current->entries.push_back(IniEntry{std::string(line.name), std::string(line.value)});
    }
  }
  return doc;
}

bool LoadIniFile(std::string_view path, IniDocument &doc) {
  std::string text;
  if (!ReadWholeFile(path, text)) return false;
  doc = ParseIni(text);
  return true;
}

std::string GetIniString(const IniDocument &doc, std::string_view section, std::string_view key,
                         std::string_view fallback, std::size_t capacity) {
  const IniEntry *entry = FindEntry(doc, section, key);
  if (entry == nullptr) return Cut(fallback, capacity);
  return Cut(Unquote(entry->value), capacity);
}

int GetIniInt(const IniDocument &doc, std::string_view section, std::string_view key, int fallback) {
  const IniEntry *entry = FindEntry(doc, section, key);
  if (entry == nullptr) return fallback;
  return ParseIniInt(Unquote(entry->value));
}

bool IniSectionHasEntries(const IniDocument &doc, std::string_view section) {
  const IniSection *found = FindSection(doc, section);
  return found != nullptr && !found->entries.empty();
}

}  // namespace ruz
