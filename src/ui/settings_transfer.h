// Import and export of ruz.ini: whole-file copies that never leave the target
// half-written. An import takes only a settings file and keeps the file it
// replaces as ruz.ini.bak.
#pragma once

#include <QString>

#include <string_view>

namespace ruz {

/// Copies the file at from over to: the bytes go to a temporary file in to's
/// directory, which then replaces to. False when from cannot be read or to
/// cannot be written; to is then unchanged. Paths are CP932.
bool CopySettingsFile(std::string_view from, std::string_view to);

enum class ImportResult {
  kImported,
  kUnreadable,    // from cannot be read
  kNotSettings,   // from has no [RUZ] section with a key in it
  kBackupFailed,  // the current file could not be kept as the backup
  kWriteFailed,   // the backup was made, but iniPath could not be replaced
};

/// Appended to the ini file's path for the copy an import keeps.
inline constexpr std::string_view kBackupSuffix = ".bak";

/// Replaces the ini file at iniPath by the file at from. The file at iniPath,
/// when there is one, is first copied to iniPath + kBackupSuffix. The ini file
/// changes only when the result is kImported. Paths are CP932.
ImportResult ImportSettingsFile(std::string_view from, std::string_view iniPath);

/// The warning for an import of the file name that did not happen.
QString ImportFailureText(ImportResult result, const QString &name);

/// What the export dialog offers: "ruz.ini" in the folder of the file named
/// last (or in the working folder when there was none).
QString ExportSuggestion(const QString &lastName);

/// The name an export writes: chosen, with ".ini" added when the file's own
/// name has no dot.
QString ExportFileName(const QString &chosen);

}  // namespace ruz
