#include "ui/settings_transfer.h"

#include <QDir>
#include <QFileInfo>

#include <string>

#include "config/settings.h"
#include "platform/files.h"
#include "platform/ini.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

// Keeps the file at iniPath as its backup; true also when there is no file.
bool KeepBackup(std::string_view iniPath) {
  if (!GetFileInfo(iniPath).exists) return true;
  std::string current;
  if (!ReadWholeFile(iniPath, current)) return false;
  return ReplaceFileAtomically(std::string(iniPath) + std::string(kBackupSuffix), current).written;
}

}  // namespace

bool CopySettingsFile(std::string_view from, std::string_view to) {
  std::string content;
  if (!ReadWholeFile(from, content)) return false;
  return ReplaceFileAtomically(to, content).written;
}

ImportResult ImportSettingsFile(std::string_view from, std::string_view iniPath) {
  std::string content;
  if (!ReadWholeFile(from, content)) return ImportResult::kUnreadable;
  if (!IniSectionHasEntries(ParseIni(content), kMainSection)) return ImportResult::kNotSettings;
  if (!KeepBackup(iniPath)) return ImportResult::kBackupFailed;
  if (!ReplaceFileAtomically(iniPath, content)) return ImportResult::kWriteFailed;
  return ImportResult::kImported;
}

QString ImportFailureText(ImportResult result, const QString &name) {
  struct Reason {
    ImportResult result;
    const char16_t *text;
  };
  static constexpr Reason kReasons[] = {
      {ImportResult::kUnreadable, u"ファイルを読み込めませんでした。"},
      {ImportResult::kNotSettings, u"[RUZ] セクションがないため、設定ファイルではありません。"},
      {ImportResult::kBackupFailed, u"今の ruz.ini を ruz.ini.bak に保存できませんでした。"},
      {ImportResult::kWriteFailed, u"ruz.ini に書き込めませんでした。"},
  };
  QString text = u"\"%1\" からのインポートに失敗しました"_s.arg(name);
  for (const Reason &reason : kReasons) {
    if (reason.result == result) text += u'\n' + QString::fromUtf16(reason.text);
  }
  return text;
}

QString ExportSuggestion(const QString &lastName) {
  const QString name = u"ruz.ini"_s;
  return lastName.isEmpty() ? name : QFileInfo(lastName).dir().filePath(name);
}

QString ExportFileName(const QString &chosen) {
  if (QFileInfo(chosen).fileName().contains(u'.')) return chosen;
  return chosen + u".ini"_s;
}

}  // namespace ruz
