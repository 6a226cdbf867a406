// Ini files with the Windows private-profile rules: CR/LF/CRLF line ends,
// case-insensitive section and key names, first duplicate wins, one pair of
// enclosing quotes removed, ";" comment lines. All paths are CP932 texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace ruz {

struct IniEntry {
  std::string key;
  std::string value;  // as in the file, quotes not yet removed
};

struct IniSection {
  std::string name;
  std::vector<IniEntry> entries;
};

/// A parsed ini file; only the first section of each name is consulted.
struct IniDocument {
  std::vector<IniSection> sections;
};

/// Parses ini text. Never fails.
IniDocument ParseIni(std::string_view text);

/// Reads and parses the file; false when it does not exist or cannot be read.
bool LoadIniFile(std::string_view path, IniDocument &doc);

/// Value of key in section with one pair of enclosing quotes removed, cut to
/// capacity - 1 bytes; fallback (also cut) when the key is absent. "key=" gives "".
std::string GetIniString(const IniDocument &doc, std::string_view section, std::string_view key,
                         std::string_view fallback, std::size_t capacity);

/// The integer of a setting's text: an optional sign, then decimal digits up
/// to the first other byte (none: 0), wrapping modulo 2^32 ("80x" is 80,
/// "+5" is 5, "abc" and "-" are 0). The one integer parser of the settings,
/// for the loader and the options sheet alike.
int ParseIniInt(std::string_view text);

/// ParseIniInt of the key's (unquoted) value; fallback when the key is absent.
int GetIniInt(const IniDocument &doc, std::string_view section, std::string_view key, int fallback);

/// True when the section exists and holds at least one entry line.
bool IniSectionHasEntries(const IniDocument &doc, std::string_view section);

/// Writes one key: replaces its line in place, or adds it after the last entry
/// of its section, or appends the section at the end (creating the file). Every
/// other byte stays as it was; the file is replaced atomically. Not written, with
/// the reason, when the file exists but cannot be read, when it is read-only,
/// when it cannot be replaced, and (writing nothing) when section, key or value
/// holds a CR or LF.
WriteResult WriteIniString(std::string_view path, std::string_view section, std::string_view key,
                           std::string_view value);

/// Removes the section's header and its lines up to the next header. Not
/// written when the section does not exist or the file cannot be written.
WriteResult DeleteIniSection(std::string_view path, std::string_view section);

}  // namespace ruz
