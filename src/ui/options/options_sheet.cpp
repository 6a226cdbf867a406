#include "ui/options/options_sheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/options/options_pages.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

namespace {

struct PageEntry {
  const char16_t *title;
  OptionsPage *(*build)(const ServerSettings &, OptionsMemory &);
};

const PageEntry kPages[kOptionsPageCount] = {
    {u"サーバー", BuildServerPage},        {u"ログ", BuildLogPage},
    {u"CGI/SSI", BuildCgiSsiPage},         {u"エイリアス", BuildAliasPage},
    {u"アクセス制御", BuildAccessPage},    {u"エラーページ", BuildErrorPagePage},
    {u"MIMEタイプ", BuildMimePage},        {u"ユーザー", BuildUserPage},
    {u"Basic認証", BuildAuthPage},         {u"リモートホスト", BuildRemoteHostPage},
};

// An empty tab of the page size: 210 × 160 dialog units of the sheet's font.
QWidget *MakeHost(const QFontMetrics &metrics) {
  auto *host = new QWidget;
  auto *layout = new QVBoxLayout(host);
  layout->setContentsMargins(0, 0, 0, 0);
  host->setMinimumSize(metrics.averageCharWidth() * 210 / 4, metrics.height() * 160 / 8);
  return host;
}

}  // namespace

OptionsSheet::OptionsSheet(QWidget *owner, OptionsContext &context, OptionsMemory &memory)
    : QDialog(owner), context_(context), memory_(memory) {
  setWindowTitle(u"オプション"_s);
  tabs_ = new QTabWidget;
  tabs_->setUsesScrollButtons(false);  // all ten titles in view, as one row
  for (const PageEntry &page : kPages) {
    tabs_->addTab(MakeHost(fontMetrics()), QString::fromUtf16(page.title));
  }
  BuildPage(0);
  connect(tabs_, &QTabWidget::currentChanged, this, &OptionsSheet::BuildPage);

  auto *buttons = new QDialogButtonBox;
  QPushButton *ok = buttons->addButton(u"OK"_s, QDialogButtonBox::AcceptRole);
  ok->setObjectName(u"ok"_s);
  ok->setDefault(true);
  buttons->addButton(u"キャンセル"_s, QDialogButtonBox::RejectRole)->setObjectName(u"cancel"_s);
  connect(buttons, &QDialogButtonBox::accepted, this, &OptionsSheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &OptionsSheet::reject);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
}

void OptionsSheet::BuildPage(int index) {
  if (index < 0 || index >= kOptionsPageCount || pages_[index]) return;
  pages_[index] = kPages[index].build(context_.settings, memory_);
  tabs_->widget(index)->layout()->addWidget(pages_[index]);
}

void OptionsSheet::accept() {
  ApplyTarget target{context_, IniPath()};
  for (OptionsPage *page : pages_) {
    if (page) page->Apply(target);
  }
  QDialog::accept();
}

int RunOptionsSheet(QWidget *owner, const ServerSettings &settings, OptionsMemory &memory) {
  OptionsContext context{settings};
  OptionsSheet sheet(owner, context, memory);
  sheet.exec();
  return context.changed;
}

}  // namespace ruz
