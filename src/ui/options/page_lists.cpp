// Pages 4 to 9: the lists of aliases, access rules, error pages, MIME types,
// users and authentication rules, most with the flag that switches them on.
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/options/list_page.h"
#include "ui/options/options_pages.h"
#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

namespace {

// A page of a flag check box above a list.
OptionsPage *FlagAndList(const ServerSettings &s, OptionsMemory &memory, const SettingField &flag,
                         const QString &label, ListKind kind) {
  auto *page = new OptionsPage(s, memory);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(AddFlagBox(*page, flag, label));
  layout->addWidget(new ListPage(*page, kind), 1);
  return page;
}

// Written on every OK without counting as a change. Untouched, it keeps its
// loaded bytes, which CP932 → Unicode → CP932 might not give back.
QLineEdit *AddDefaultMimeEdit(OptionsPage &page) {
  const std::string loaded = FileText(field::kDefMime, page.Settings());
  auto *edit = new QLineEdit(FromCp932(loaded));
  edit->setObjectName(KeyName(field::kDefMime.key));
  const QString filled = edit->text();
  page.AddStep([edit, filled, loaded](ApplyTarget &target) {
    const std::string value = edit->text() == filled ? loaded : ToCp932(edit->text());
    target.Write(field::kDefMime, value, ChangeNote::kUncounted);
  });
  return edit;
}

}  // namespace

OptionsPage *BuildAliasPage(const ServerSettings &s, OptionsMemory &memory) {
  return FlagAndList(s, memory, field::kAlias, u"エイリアスを有効にする"_s, kAliasList);
}

OptionsPage *BuildAccessPage(const ServerSettings &s, OptionsMemory &memory) {
  return FlagAndList(s, memory, field::kDeny, u"アクセス制御を有効にする"_s, kDenyList);
}

OptionsPage *BuildErrorPagePage(const ServerSettings &s, OptionsMemory &memory) {
  return FlagAndList(s, memory, field::kErrPage, u"エラーページ表示を有効にする"_s,
                     kErrorPageList);
}

OptionsPage *BuildMimePage(const ServerSettings &s, OptionsMemory &memory) {
  auto *page = new OptionsPage(s, memory);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(new ListPage(*page, kMimeList), 1);
  auto *form = new QFormLayout;
  form->addRow(u"デフォルトMIMEタイプ:"_s, AddDefaultMimeEdit(*page));
  layout->addLayout(form);
  return page;
}

OptionsPage *BuildUserPage(const ServerSettings &s, OptionsMemory &memory) {
  auto *page = new OptionsPage(s, memory);
  auto *group = new QGroupBox(u"ユーザー設定"_s);
  auto *users = new QVBoxLayout(group);
  users->addWidget(new ListPage(*page, kUserList));
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(group);
  return page;
}

OptionsPage *BuildAuthPage(const ServerSettings &s, OptionsMemory &memory) {
  return FlagAndList(s, memory, field::kAuth, u"Basic認証を有効にする"_s, kAuthList);
}

}  // namespace ruz
