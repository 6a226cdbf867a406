// Writing ruz.ini by the field table: one key of [RUZ], or a whole numbered
// list. Each write cuts its text to the key's limit and reports a failure with
// the system's reason, so the caller can warn instead of going on as if saved.
#pragma once

#include <span>
#include <string_view>

#include "config/setting_fields.h"
#include "platform/files.h"

namespace ruz {

/// Writes text, cut to the key's limit (FitToField), under field's key of [RUZ].
WriteResult WriteSetting(const SettingField &field, std::string_view text,
                         std::string_view iniPath);

/// Writes value as decimal text under field's key of [RUZ].
WriteResult WriteIntSetting(const SettingField &field, int value, std::string_view iniPath);

/// Writes rows into the sections prefix0 … prefixN−1 of section, each cell cut
/// to its key's limit, and deletes the sections from prefixN on. A key whose
/// text in the file is already the cell's is left alone, so an untouched row
/// keeps its lines byte for byte (quotes and blanks included). Stops at the
/// first write that fails and returns it.
WriteResult WriteListSection(const ListSection &section, std::span<const ListRow> rows,
                             std::string_view iniPath);

/// Deletes prefixN, prefixN+1, … while they exist and hold an entry; returns how
/// many. Stops at the first section that cannot be deleted.
int DeleteListSectionsFrom(std::string_view prefix, int first, std::string_view iniPath);

}  // namespace ruz
