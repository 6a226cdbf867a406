#include "ui/options/options_sheet.h"

#include <QDialogButtonBox>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/options/dialog_buttons.h"
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

}  // namespace

OptionsSheet::OptionsSheet(QWidget *owner, OptionsContext &context, OptionsMemory &memory)
    : QDialog(owner), context_(context) {
  setWindowTitle(u"オプション"_s);
  tabs_ = new QTabWidget;
  // Ten titles are wider than the pages at larger fonts: the tab row scrolls
  // instead of widening the sheet past the screen.
  tabs_->setUsesScrollButtons(true);
  tabs_->tabBar()->setElideMode(Qt::ElideNone);
  for (int index = 0; index < kOptionsPageCount; ++index) {
    pages_[index] = kPages[index].build(context.settings, memory);
    tabs_->addTab(pages_[index], QString::fromUtf16(kPages[index].title));
  }
  MarkShown(tabs_->currentIndex());
  connect(tabs_, &QTabWidget::currentChanged, this, &OptionsSheet::MarkShown);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(MakeOkCancel(*this));
  resize(OpeningSize());
}

// Large enough for every page, and for the whole tab row when that takes at
// most two thirds of the screen's width; never more than nine tenths of the
// screen (which leaves room for the frame), where the pages shrink towards
// their minimum sizes and the lists scroll. Qt on its own would open a dialog
// at no more than two thirds of the screen, whatever its pages ask for.
QSize OptionsSheet::OpeningSize() const {
  const QSize pages = sizeHint();
  const QSize screenSize = screen()->availableGeometry().size();
  const int aroundTabs = pages.width() - tabs_->sizeHint().width();
  const int frame = tabs_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, tabs_);
  const int tabRow = tabs_->tabBar()->sizeHint().width() + aroundTabs + 2 * frame;
  QSize size = pages;
  if (tabRow <= screenSize.width() * 2 / 3) size.setWidth(std::max(size.width(), tabRow));
  return size.boundedTo(screenSize * 9 / 10);
}

void OptionsSheet::MarkShown(int index) {
  if (index >= 0 && index < kOptionsPageCount) shown_[index] = true;
}

void OptionsSheet::accept() {
  ApplyTarget target{context_, IniPath()};
  for (int index = 0; index < kOptionsPageCount; ++index) {
    if (shown_[index]) pages_[index]->Apply(target);
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
