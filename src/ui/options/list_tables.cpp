// The seven lists of the options sheet: their sections, column titles and widths.
#include "ui/options/list_page.h"

namespace ruz {
namespace {

const ListTable kTables[kListKindCount] = {
    {kCgiList, field::kCgiSection,
     {{u"拡張子", 60, CellForm::kText},
      {u"ファイルヘッダ", 90, CellForm::kText},
      {u"実行コマンド", 120, CellForm::kText}},
     false},
    {kAliasList, field::kAliasSection,
     {{u"サーバーパス", 120, CellForm::kText}, {u"ローカルパス", 150, CellForm::kText}},
     true},
    {kDenyList, field::kDenySection,
     {{u"パス", 100, CellForm::kText},
      {u"許可ホスト", 100, CellForm::kText},
      {u"拒否ホスト", 100, CellForm::kText}},
     true},
    {kErrorPageList, field::kErrPageSection,
     {{u"エラーコード", 75, CellForm::kText}, {u"表示ファイル", 225, CellForm::kText}},
     false},
    {kMimeList, field::kMimeSection,
     {{u"拡張子", 100, CellForm::kText}, {u"MIMEタイプ", 180, CellForm::kText}},
     true},
    {kUserList, field::kUserSection,
     {{u"ユーザーID", 140, CellForm::kText}, {u"パスワード", 160, CellForm::kSecret}},
     false},
    {kAuthList, field::kAuthSection,
     {{u"認証名", 100, CellForm::kText},
      {u"パス", 100, CellForm::kText},
      {u"ユーザー", 100, CellForm::kText}},
     false},
};

}  // namespace

const ListTable &GetListTable(ListKind kind) { return kTables[kind]; }

}  // namespace ruz
