// The seven add/edit dialogs: titles, fields, limits, warnings and extras.
#include "ui/options/entry_dialog.h"

namespace ruz {
namespace {

const DialogTemplate kCgi{
    u"CGI実行条件の追加・編集",
    {{u"拡張子:", "extension", 254, u"拡張子を入力してください"},
     {u"ファイルヘッダ:", "fileheader", 254, nullptr},
     {u"実行コマンド:", "cmdline", 254, nullptr}},
    u"※%filepath%、%query%はそれぞれCGIファイルのパス、URLのクエリに自動的に置き換えられます。",
    DialogExtra::kCgiCommand, 2};

const DialogTemplate kAlias{
    u"エイリアスの追加・編集",
    {{u"サーバーパス:", "serverpath", 259, u"サーバーパスを入力してください"},
     {u"ローカルパス:", "localpath", 259, u"ローカルパスを入力してください"}},
    nullptr, DialogExtra::kFolderPicker, 1};

const DialogTemplate kDeny{
    u"アクセス制御ルールの追加・編集",
    {{u"パス:", "path", 259, u"パスを入力してください"},
     {u"許可ホスト:", "allow", 254, nullptr},
     {u"拒否ホスト:", "deny", 254, nullptr}},
    u"※ 各項目にはワイルドカードが使用できます。\nまた、カンマ区切りで複数指定も可能です。"};

const DialogTemplate kErrorPage{
    u"エラーページの追加・編集",
    {{u"エラーコード:", "errcode", 63, u"エラーコードを入力してください", FieldForm::kInteger},
     {u"表示ファイル:", "errfile", 259, u"表示ファイルを入力してください"}},
    nullptr, DialogExtra::kErrorFilePicker, 1, 1};

const DialogTemplate kMime{
    u"MIMEタイプの追加・編集",
    {{u"拡張子:", "extension", 254, u"拡張子を入力してください"},
     {u"MIMEタイプ:", "mimetype", 254, u"MIMEタイプを入力してください"}}};

const DialogTemplate kUser{
    u"ユーザーの追加・編集",
    {{u"ユーザー名:", "name", 254, u"ユーザー名を入力してください", FieldForm::kUserName},
     {u"パスワード:", "password", 254, nullptr, FieldForm::kSecret}}};

const DialogTemplate kAuth{
    u"ユーザー認証の追加・編集",
    {{u"認証名:", "name", 254, u"認証名を入力してください"},
     {u"パス:", "path", 259, u"パスを入力してください"},
     {u"許可ユーザー(複数可):", "user", 254, u"ユーザーを入力してください"}}};

}  // namespace

const DialogTemplate &EntryDialogTemplate(ListKind kind) {
  static const DialogTemplate *const kTemplates[kListKindCount] = {
      &kCgi, &kAlias, &kDeny, &kErrorPage, &kMime, &kUser, &kAuth};
  return *kTemplates[kind];
}

}  // namespace ruz
