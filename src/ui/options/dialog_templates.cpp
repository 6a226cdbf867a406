// The seven add/edit dialogs: titles, fields, warnings and extras.
#include "ui/options/entry_dialog.h"

namespace ruz {
namespace {

const DialogTemplate kCgi{
    u"CGI実行条件の追加・編集",
    {{u"拡張子:", &field::kCgiExtension, u"拡張子を入力してください"},
     {u"ファイルヘッダ:", &field::kCgiFileHeader, nullptr},
     {u"実行コマンド:", &field::kCgiCmdLine, nullptr}},
    u"※%filepath%、%query%はそれぞれCGIファイルのパス、URLのクエリに自動的に置き換えられます。",
    DialogExtra::kCgiCommand, 2};

const DialogTemplate kAlias{
    u"エイリアスの追加・編集",
    {{u"サーバーパス:", &field::kAliasServerPath, u"サーバーパスを入力してください"},
     {u"ローカルパス:", &field::kAliasLocalPath, u"ローカルパスを入力してください"}},
    nullptr, DialogExtra::kFolderPicker, 1};

const DialogTemplate kDeny{
    u"アクセス制御ルールの追加・編集",
    {{u"パス:", &field::kDenyPath, u"パスを入力してください"},
     {u"許可ホスト:", &field::kDenyAllow, nullptr},
     {u"拒否ホスト:", &field::kDenyDeny, nullptr}},
    u"※ 各項目にはワイルドカードが使用できます。\nまた、カンマ区切りで複数指定も可能です。"};

const DialogTemplate kErrorPage{
    u"エラーページの追加・編集",
    {{u"エラーコード:", &field::kErrPageCode, u"エラーコードを入力してください"},
     {u"表示ファイル:", &field::kErrPageFile, u"表示ファイルを入力してください"}},
    nullptr, DialogExtra::kErrorFilePicker, 1, 1};

const DialogTemplate kMime{
    u"MIMEタイプの追加・編集",
    {{u"拡張子:", &field::kMimeExtension, u"拡張子を入力してください"},
     {u"MIMEタイプ:", &field::kMimeType, u"MIMEタイプを入力してください"}}};

const DialogTemplate kUser{
    u"ユーザーの追加・編集",
    {{u"ユーザー名:", &field::kUserName, u"ユーザー名を入力してください", FieldForm::kUserName},
     {u"パスワード:", &field::kUserPassword, nullptr, FieldForm::kSecret}}};

const DialogTemplate kAuth{
    u"ユーザー認証の追加・編集",
    {{u"認証名:", &field::kAuthName, u"認証名を入力してください"},
     {u"パス:", &field::kAuthPath, u"パスを入力してください"},
     {u"許可ユーザー(複数可):", &field::kAuthUser, u"ユーザーを入力してください"}}};

}  // namespace

const DialogTemplate &EntryDialogTemplate(ListKind kind) {
  static const DialogTemplate *const kTemplates[kListKindCount] = {
      &kCgi, &kAlias, &kDeny, &kErrorPage, &kMime, &kUser, &kAuth};
  return *kTemplates[kind];
}

}  // namespace ruz
