// Start-up checks of the loaded settings.
#include "config/startup_checks.h"

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
  const char *iniKey;
  const char *sheetField;  // "page の「field」"
};

std::string FixText(const Remedy &remedy, FixPlace place) {
  if (place == FixPlace::kOptionsSheet)
    return std::string("設定 → オプション → ") + remedy.sheetField;
  return std::string("ruz.ini の ") + remedy.iniKey;
}

void CheckConnections(const ServerSettings &settings, FixPlace place,
                      std::vector<std::string> &warnings) {
  if (settings.maxconnect > 0) return;
  warnings.push_back(Utf8ToCp932("maxconnect=" + std::to_string(settings.maxconnect) +
                                 " では接続を1つも受け付けられません。" +
                                 FixText({"maxconnect", "サーバー の「最大同時接続数」"}, place) +
                                 " を 1 以上（最大 64）にしてください"));
}

// Why the access log cannot be written, or "" when it can.
std::string LogProblem(const std::string &logname) {
  // An empty logname resolves to the program directory itself.
  if (logname.empty() || logname == ExeRelativePath("")) return "logname が空です";
  FileInfo info = GetFileInfo(logname);
  if (info.isDirectory) return "logname がフォルダを指しています";
  if (!info.exists && !GetFileInfo(PathRemoveFileSpec(logname)).isDirectory)
    return "logname のフォルダがありません";
  if (!CanWriteFile(logname)) return "logname に書き込めません";
  return std::string();
}

void CheckLog(const ServerSettings &settings, FixPlace place, std::vector<std::string> &warnings) {
  if (!settings.logwrite) return;
  std::string problem = LogProblem(settings.logname);
  if (problem.empty()) return;
  warnings.push_back(Utf8ToCp932("logwrite がオンですが、" + problem) +
                     InParentheses(settings.logname) +
                     Utf8ToCp932("。通信ログは書かれません。" +
                                 FixText({"logname", "ログ の「ログファイル名」"}, place) +
                                 (place == FixPlace::kIniFile
                                      ? " を直してください（例: logname=access.log）"
                                      : " を直してください（例: access.log）")));
}

void CheckRoot(const ServerSettings &settings, FixPlace place, std::vector<std::string> &warnings) {
  if (GetFileInfo(settings.root).isDirectory) return;
  warnings.push_back(Utf8ToCp932("ドキュメントルートのフォルダがありません") +
                     InParentheses(settings.root) +
                     Utf8ToCp932("。" + FixText({"root", "サーバー の「ドキュメントルート」"}, place) +
                                 " を直してください"));
}

// Basic credentials end the user name at the first ":", so such a user could
// never log in.
void CheckUserNames(const ServerSettings &settings, std::vector<std::string> &warnings) {
  for (std::size_t n = 0; n < settings.users.size(); ++n) {
    if (settings.users[n].name.find(':') == std::string::npos) continue;
    warnings.push_back(Utf8ToCp932("[user" + std::to_string(n) + "] の name に「:」は使えません") +
                       InParentheses(settings.users[n].name) +
                       Utf8ToCp932("。このユーザーはログインできません。ruz.ini の name を直してください"));
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
