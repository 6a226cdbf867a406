#include "config/settings_writer.h"

#include <string>

#include "config/settings.h"
#include "platform/ini.h"

namespace ruz {
namespace {

// Writes key only when the file does not already hold exactly value.
WriteResult WriteWhenDifferent(const IniDocument &doc, std::string_view iniPath,
                               const std::string &section, std::string_view key,
                               const std::string &value) {
  // Read one byte past value, so that a longer text in the file differs.
  constexpr std::string_view kAbsent = "\n";  // no ini value holds a line break
  const std::string current = GetIniString(doc, section, key, kAbsent, value.size() + 2);
  if (current == value) return {};
  return WriteIniString(iniPath, section, key, value);
}

// Deletes the sections from first on, counting them into deleted.
WriteResult DeleteSectionsFrom(std::string_view prefix, int first, std::string_view iniPath,
                               int &deleted) {
  deleted = 0;
  IniDocument doc;
  if (!LoadIniFile(iniPath, doc)) return {};
  for (int n = first; IniSectionHasEntries(doc, ListSectionName(prefix, n)); ++n) {
    if (WriteResult result = DeleteIniSection(iniPath, ListSectionName(prefix, n)); !result) {
      return result;
    }
    ++deleted;
  }
  return {};
}

}  // namespace

WriteResult WriteSetting(const SettingField &field, std::string_view text,
                         std::string_view iniPath) {
  return WriteIniString(iniPath, kMainSection, field.key, FitToField(field, text));
}

WriteResult WriteIntSetting(const SettingField &field, int value, std::string_view iniPath) {
  return WriteSetting(field, std::to_string(value), iniPath);
}

WriteResult WriteListSection(const ListSection &section, std::span<const ListRow> rows,
                             std::string_view iniPath) {
  IniDocument doc;
  LoadIniFile(iniPath, doc);  // a missing file reads as empty: every key is written
  for (std::size_t row = 0; row < rows.size(); ++row) {
    const std::string name = ListSectionName(section.prefix, static_cast<int>(row));
    for (std::size_t c = 0; c < section.keys.size() && c < rows[row].size(); ++c) {
      const SettingField &field = *section.keys[c];
      WriteResult result =
          WriteWhenDifferent(doc, iniPath, name, field.key, FitToField(field, rows[row][c]));
      if (!result) return result;
    }
  }
  int deleted = 0;
  return DeleteSectionsFrom(section.prefix, static_cast<int>(rows.size()), iniPath, deleted);
}

int DeleteListSectionsFrom(std::string_view prefix, int first, std::string_view iniPath) {
  int deleted = 0;
  // The count says how far the deletion came; the reason has no reader here.
  static_cast<void>(DeleteSectionsFrom(prefix, first, iniPath, deleted));
  return deleted;
}

}  // namespace ruz
