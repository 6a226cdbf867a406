// Page 10 "リモートホスト": when the peer's host name is looked up.
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/options/options_pages.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

OptionsPage *BuildRemoteHostPage(const ServerSettings &s, OptionsMemory &memory) {
  auto *page = new OptionsPage(s, memory);
  auto *choice = new QComboBox;
  choice->setObjectName(KeyName(field::kDnsOpt.key));
  choice->addItems({u"取得しない"_s, u"REMOTE_HOSTのみ"_s, u"すべて"_s});
  choice->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);  // as wide as its items
  const int loaded = LoadedInt(field::kDnsOpt, s);
  choice->setCurrentIndex(loaded);
  // A loaded value outside 0…2 selects nothing (-1); it stays as it is until
  // the operator picks an item.
  page->AddStep([choice, loaded](ApplyTarget &target) {
    if (choice->currentIndex() < 0 || choice->currentIndex() == loaded) return;
    target.Write(field::kDnsOpt, std::to_string(choice->currentIndex()));
  });

  QFormLayout *form = nullptr;
  QGroupBox *group = MakeFormGroup(u"リモートホスト"_s, form);
  form->addRow(u"リモートホスト(FQDN)の取得:"_s, choice);
  auto *note = new QLabel(
      u"※ リモートホストを取得する際、DNSサーバーに問い合わせるのでレスポンスが多少遅くなります。\n"
      u"通常はCGI/SSI実行時のみでいいでしょう。"_s);
  note->setWordWrap(true);
  form->addRow(note);

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(group);
  layout->addStretch();
  return page;
}

}  // namespace ruz
