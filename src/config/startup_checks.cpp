// Start-up checks of the loaded settings.
#include "config/startup_checks.h"

#include "config/setting_fields.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_codes.h"

namespace ruz {
namespace {

// A path inside a message: the CP932 bytes between full-width parentheses.
std::string InParentheses(const std::string &cp932Path) {
  return Utf8ToCp932("（") + cp932Path + Utf8ToCp932("）");
}

// The remedy: the ini key, or the sheet's page and field.
struct Remedy {
  std::string_view iniKey;
  const char *sheetField;  // "page の「field」"
};

std::string FixText(const Remedy &remedy, FixPlace place) {
  if (place == FixPlace::kOptionsSheet)
    return std::string("設定 → オプション → ") + remedy.sheetField;
  return "ruz.ini の " + std::string(remedy.iniKey);
}

void CheckConnections(const ServerSettings &settings, FixPlace place,
                      std::vector<std::string> &warnings) {
  if (settings.maxconnect > 0) return;
  const std::string key(field::kMaxConnect.key);
  warnings.push_back(Utf8ToCp932(key + "=" + std::to_string(settings.maxconnect) +
                                 " では接続を1つも受け付けられません。" +
                                 FixText({key, "サーバー の「最大同時接続数」"}, place) +
                                 " を 1 以上（最大 " + std::to_string(kMaxUsableSlots) +
                                 "）にしてください"));
}

// Why the access log cannot be written, or "" when it can.
std::string LogProblem(const std::string &logname) {
  const std::string key(field::kLogName.key);
  // An empty logname resolves to the program directory itself.
  if (logname.empty() || logname == ExeRelativePath("")) return key + " が空です";
  FileInfo info = GetFileInfo(logname);
  if (info.isDirectory) return key + " がフォルダを指しています";
  if (!info.exists && !GetFileInfo(PathRemoveFileSpec(logname)).isDirectory)
    return key + " のフォルダがありません";
  if (!CanWriteFile(logname)) return key + " に書き込めません";
  return std::string();
}

void CheckLog(const ServerSettings &settings, FixPlace place, std::vector<std::string> &warnings) {
  if (!settings.logwrite) return;
  std::string problem = LogProblem(settings.logname);
  if (problem.empty()) return;
  const std::string key(field::kLogName.key);
  warnings.push_back(Utf8ToCp932(std::string(field::kLogWrite.key) + " がオンですが、" + problem) +
                     InParentheses(settings.logname) +
                     Utf8ToCp932("。通信ログは書かれません。" +
                                 FixText({key, "ログ の「ログファイル名」"}, place) +
                                 (place == FixPlace::kIniFile
                                      ? " を直してください（例: " + key + "=access.log）"
                                      : std::string(" を直してください（例: access.log）"))));
}

void CheckRoot(const ServerSettings &settings, FixPlace place, std::vector<std::string> &warnings) {
  if (GetFileInfo(settings.root).isDirectory) return;
  warnings.push_back(Utf8ToCp932("ドキュメントルートのフォルダがありません") +
                     InParentheses(settings.root) +
                     Utf8ToCp932("。" + FixText({field::kRoot.key, "サーバー の「ドキュメントルート」"}, place) +
                                 " を直してください"));
}

// Basic credentials end the user name at the first ":", so such a user could
// never log in.
void CheckUserNames(const ServerSettings &settings, std::vector<std::string> &warnings) {
  for (std::size_t n = 0; n < settings.users.size(); ++n) {
    if (settings.users[n].name.find(':') == std::string::npos) continue;
    warnings.push_back(Utf8ToCp932("[" + std::string(field::kUserSection.prefix) + std::to_string(n) + "] の " +
                                   std::string(field::kUserName.key) + " に「:」は使えません") +
                       InParentheses(settings.users[n].name) +
                       Utf8ToCp932("。このユーザーはログインできません。ruz.ini の " +
                                   std::string(field::kUserName.key) + " を直してください"));
  }
}

}  // namespace

std::vector<std::string> StartupWarnings(const ServerSettings &settings, FixPlace place) {
  std::vector<std::string> warnings;
  CheckConnections(settings, place, warnings);
  CheckLog(settings, place, warnings);
  CheckRoot(settings, place, warnings);
  CheckUserNames(settings, warnings);
  return warnings;
}

}  // namespace ruz
