#include "ui/options/options_sheet.h"

#include <QDialogButtonBox>
#include <QScrollArea>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/message_boxes.h"
#include "ui/options/dialog_buttons.h"
#include "ui/options/options_pages.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

namespace {

using namespace field;

struct PageEntry {
  const char16_t *title;
  OptionsPage *(*build)(const ServerSettings &, OptionsMemory &);
  PageContents contents;
};

constexpr const SettingField *kServerKeys[] = {&kSrvName,    &kPort,      &kRoot,    &kMaxConnect,
                                               &kKeepAlive,  &kIndex,     &kFileList};
constexpr const SettingField *kLogKeys[] = {&kLogWrite, &kLogName, &kLogFormat, &kMem, &kBufMax};
constexpr const SettingField *kCgiSsiKeys[] = {&kRunning, &kSsi, &kSsiExts, &kSsiNoExecCmd,
                                               &kNoCgiSsi};
constexpr const SettingField *kAliasKeys[] = {&kAlias};
constexpr const SettingField *kAccessKeys[] = {&kDeny};
constexpr const SettingField *kErrorPageKeys[] = {&kErrPage};
constexpr const SettingField *kMimeKeys[] = {&kDefMime};
constexpr const SettingField *kAuthKeys[] = {&kAuth};
constexpr const SettingField *kRemoteHostKeys[] = {&kDnsOpt};

constexpr ListKind kCgiSsiLists[] = {kCgiList};
constexpr ListKind kAliasLists[] = {kAliasList};
constexpr ListKind kAccessLists[] = {kDenyList};
constexpr ListKind kErrorPageLists[] = {kErrorPageList};
constexpr ListKind kMimeLists[] = {kMimeList};
constexpr ListKind kUserLists[] = {kUserList};
constexpr ListKind kAuthLists[] = {kAuthList};

const PageEntry kPages[kOptionsPageCount] = {
    {u"サーバー", BuildServerPage, {kServerKeys, {}}},
    {u"ログ", BuildLogPage, {kLogKeys, {}}},
    {u"CGI/SSI", BuildCgiSsiPage, {kCgiSsiKeys, kCgiSsiLists}},
    {u"エイリアス", BuildAliasPage, {kAliasKeys, kAliasLists}},
    {u"アクセス制御", BuildAccessPage, {kAccessKeys, kAccessLists}},
    {u"エラーページ", BuildErrorPagePage, {kErrorPageKeys, kErrorPageLists}},
    {u"MIMEタイプ", BuildMimePage, {kMimeKeys, kMimeLists}},
    {u"ユーザー", BuildUserPage, {{}, kUserLists}},
    {u"Basic認証", BuildAuthPage, {kAuthKeys, kAuthLists}},
    {u"リモートホスト", BuildRemoteHostPage, {kRemoteHostKeys, {}}},
};

// A page inside a frameless scroll area: it asks for the page's whole size,
// and scrolls when the sheet is smaller than that (a small screen, a large scale).
class PageScroller : public QScrollArea {
 public:
  explicit PageScroller(QWidget *page) {
    setWidget(page);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
  }
  QSize sizeHint() const override { return widget()->sizeHint(); }
};

}  // namespace

OptionsSheet::OptionsSheet(QWidget *owner, OptionsContext &context, OptionsMemory &memory)
    : QDialog(owner), context_(context), memory_(memory) {
  setWindowTitle(u"オプション"_s);
  tabs_ = new QTabWidget;
  // Ten titles are wider than the pages at larger fonts: the tab row scrolls
  // instead of widening the sheet past the screen.
  tabs_->setUsesScrollButtons(true);
  tabs_->tabBar()->setElideMode(Qt::ElideNone);
  for (int index = 0; index < kOptionsPageCount; ++index) {
    pages_[index] = kPages[index].build(context.settings, memory);
    tabs_->addTab(new PageScroller(pages_[index]), QString::fromUtf16(kPages[index].title));
  }
  if (memory.lastPage > 0 && memory.lastPage < kOptionsPageCount) tabs_->setCurrentIndex(memory.lastPage);
  MarkShown(tabs_->currentIndex());
  connect(tabs_, &QTabWidget::currentChanged, this, &OptionsSheet::MarkShown);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(MakeOkCancel(*this));
  resize(OpeningSize());
  setMaximumSize(screen()->availableGeometry().size());
}

// Large enough for every page, and for the whole tab row when that takes at
// most two thirds of the screen's width; never more than nine tenths of the
// screen (which leaves room for the frame), where the lists shrink and the
// pages scroll. Qt on its own would open a dialog
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
  if (index < 0 || index >= kOptionsPageCount) return;
  shown_[index] = true;
  memory_.lastPage = index;
}

// A write that fails ends the run of the steps: the warning names the file and
// the reason, and the sheet stays open, so that the operator can try again or
// cancel; either way the settings in use are not taken from a file written in part.
void OptionsSheet::accept() {
  ApplyTarget target{context_, IniPath()};
  for (int index = 0; index < kOptionsPageCount && !target.Failed(); ++index) {
    if (shown_[index]) pages_[index]->Apply(target);
  }
  if (target.Failed()) {
    ShowWriteWarning(this, target.iniPath, target.result);
    return;
  }
  QDialog::accept();
}

PageContents ContentsOfPage(int index) { return kPages[index].contents; }

int RunOptionsSheet(QWidget *owner, const ServerSettings &settings, OptionsMemory &memory) {
  OptionsContext context{settings};
  OptionsSheet sheet(owner, context, memory);
  return sheet.exec() == QDialog::Accepted ? context.changed : 0;
}

}  // namespace ruz
