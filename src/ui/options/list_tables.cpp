// The seven lists of the options sheet: columns, sections, keys and limits.
#include "ui/options/list_page.h"

namespace ruz {
namespace {

std::vector<EntryBlock> CgiRows(const ServerSettings &s) {
  std::vector<EntryBlock> rows;
  for (const CgiRule &r : s.cgiRules) rows.push_back({r.extension, r.fileheader, r.cmdline});
  return rows;
}

std::vector<EntryBlock> AliasRows(const ServerSettings &s) {
  std::vector<EntryBlock> rows;
  for (const AliasEntry &a : s.ruzalias) rows.push_back({a.serverpath, a.localpathAsWritten});
  return rows;
}

std::vector<EntryBlock> DenyRows(const ServerSettings &s) {
  std::vector<EntryBlock> rows;
  for (const AccessRule &r : s.accessRules) rows.push_back({r.path, r.allow, r.deny});
  return rows;
}

std::vector<EntryBlock> ErrorPageRows(const ServerSettings &s) {
  std::vector<EntryBlock> rows;
  for (const ErrorPageEntry &e : s.errorPages) {
    rows.push_back({std::to_string(e.errcode), e.errfileAsWritten});
  }
  return rows;
}

std::vector<EntryBlock> MimeRows(const ServerSettings &s) {
  std::vector<EntryBlock> rows;
  for (const MimeEntry &m : s.mimeTypes) rows.push_back({m.extension, m.mimetype});
  return rows;
}

std::vector<EntryBlock> UserRows(const ServerSettings &s) {
  std::vector<EntryBlock> rows;
  for (const UserEntry &u : s.users) rows.push_back({u.name, u.password});
  return rows;
}

std::vector<EntryBlock> AuthRows(const ServerSettings &s) {
  std::vector<EntryBlock> rows;
  for (const AuthRule &r : s.authRules) rows.push_back({r.name, r.path, r.user});
  return rows;
}

// The error-page file takes 259 bytes, as its dialog and the loader do, so
// that a long path entered in the dialog is not cut when the list is saved.
const ListTable kTables[kListKindCount] = {
    {kCgiList, "cgi", "cgi",
     {{u"拡張子", 60, "extension", 254, CellForm::kList},
      {u"ファイルヘッダ", 90, "fileheader", 254, CellForm::kText},
      {u"実行コマンド", 120, "cmdline", 254, CellForm::kText}},
     false, CgiRows},
    {kAliasList, "alias", "alias",
     {{u"サーバーパス", 120, "serverpath", 260, CellForm::kText},
      {u"ローカルパス", 150, "localpath", 260, CellForm::kText}},
     true, AliasRows},
    {kDenyList, "deny", "deny",
     {{u"パス", 100, "path", 259, CellForm::kList},
      {u"許可ホスト", 100, "allow", 254, CellForm::kList},
      {u"拒否ホスト", 100, "deny", 254, CellForm::kList}},
     true, DenyRows},
    {kErrorPageList, "errpage", "errpage",
     {{u"エラーコード", 75, "errcode", 259, CellForm::kText},
      {u"表示ファイル", 225, "errfile", 259, CellForm::kText}},
     false, ErrorPageRows},
    {kMimeList, "mime", "mime",
     {{u"拡張子", 100, "extension", 254, CellForm::kList},
      {u"MIMEタイプ", 180, "mimetype", 254, CellForm::kText}},
     true, MimeRows},
    {kUserList, "user", "user",
     {{u"ユーザーID", 140, "name", 254, CellForm::kText},
      {u"パスワード", 160, "password", 254, CellForm::kSecret}},
     false, UserRows},
    {kAuthList, "auth", "auth",
     {{u"認証名", 100, "name", 254, CellForm::kText},
      {u"パス", 100, "path", 259, CellForm::kList},
      {u"ユーザー", 100, "user", 254, CellForm::kList}},
     false, AuthRows},
};

}  // namespace

const ListTable &GetListTable(ListKind kind) { return kTables[kind]; }

}  // namespace ruz
