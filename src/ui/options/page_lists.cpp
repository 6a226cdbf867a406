// Pages 4 to 9: the lists of aliases, access rules, error pages, MIME types,
// users and authentication rules, most with the flag that switches them on.
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/ini.h"
#include "ui/options/list_page.h"
#include "ui/options/options_pages.h"
#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

namespace {

// A page of a flag check box above a list.
OptionsPage *FlagAndList(const ServerSettings &s, OptionsMemory &memory, const char *key,
                         const QString &label, int loaded, ListKind kind) {
  auto *page = new OptionsPage(s, memory);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(AddFlagBox(*page, key, label, loaded));
  layout->addWidget(new ListPage(*page, kind), 1);
  return page;
}

// Written on every OK without counting as a change. Untouched, it keeps its
// loaded bytes, which CP932 → Unicode → CP932 might not give back.
QLineEdit *AddDefaultMimeEdit(OptionsPage &page, const std::string &loaded) {
  auto *edit = new QLineEdit(FromCp932(loaded));
  edit->setObjectName(u"defmime"_s);
  const QString filled = edit->text();
  page.AddStep([edit, filled, loaded](ApplyTarget &target) {
    const std::string value = edit->text() == filled ? loaded : ToCp932(edit->text());
    WriteIniString(target.iniPath, kMainSection, "defmime", CutCp932(value, 254));
  });
  return edit;
}

}  // namespace

OptionsPage *BuildAliasPage(const ServerSettings &s, OptionsMemory &memory) {
  return FlagAndList(s, memory, "alias", u"エイリアスを有効にする"_s, s.alias, kAliasList);
}

OptionsPage *BuildAccessPage(const ServerSettings &s, OptionsMemory &memory) {
  return FlagAndList(s, memory, "deny", u"アクセス制御を有効にする"_s, s.deny, kDenyList);
}

OptionsPage *BuildErrorPagePage(const ServerSettings &s, OptionsMemory &memory) {
  return FlagAndList(s, memory, "errpage", u"エラーページ表示を有効にする"_s, s.errpage,
                     kErrorPageList);
}

OptionsPage *BuildMimePage(const ServerSettings &s, OptionsMemory &memory) {
  auto *page = new OptionsPage(s, memory);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(new ListPage(*page, kMimeList), 1);
  auto *form = new QFormLayout;
  form->addRow(u"デフォルトMIMEタイプ:"_s, AddDefaultMimeEdit(*page, s.defmime));
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
  return FlagAndList(s, memory, "auth", u"Basic認証を有効にする"_s, s.auth, kAuthList);
}

}  // namespace ruz
