// Page 2 "ログ": the access log's file, format and buffering.
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/options/dialog_buttons.h"
#include "ui/options/options_pages.h"
#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

OptionsPage *BuildLogPage(const ServerSettings &s, OptionsMemory &memory) {
  auto *page = new OptionsPage(s, memory);
  QFormLayout *form = nullptr;
  QGroupBox *group = MakeFormGroup(u"ログ設定"_s, form);
  form->addRow(AddFlagBox(*page, "logwrite", u"ログを記録する"_s, s.logwrite));
  form->addRow(u"ログファイル名:"_s, AddTextEdit(*page, "logname", s.lognameAsWritten, 259));
  QLineEdit *format = AddTextEdit(*page, "logformat", s.logformat, 1023);
  form->addRow(u"ログフォーマット:"_s, format);
  auto *restore = new QPushButton(u"標準に戻す"_s);
  restore->setObjectName(u"restoreLogFormat"_s);
  KeepFromDefault(restore);
  QObject::connect(restore, &QPushButton::clicked, format,
                   [format] { format->setText(FromCp932(kStandardLogFormat)); });
  auto *restoreRow = new QHBoxLayout;
  restoreRow->addStretch();
  restoreRow->addWidget(restore);
  form->addRow(restoreRow);
  form->addRow(AddFlagBox(*page, "mem", u"バッファリングを有効にする"_s, s.mem));

  auto *limitRow = new QHBoxLayout;
  QLineEdit *limit = AddNumberEdit(*page, "bufmax", s.bufmax, 254);
  limit->setMaximumWidth(limit->fontMetrics().averageCharWidth() * 12);
  limitRow->addWidget(new QLabel(u"上限:"_s));
  limitRow->addWidget(limit);
  limitRow->addWidget(new QLabel(u"バイト"_s));
  limitRow->addStretch();
  form->addRow(limitRow);

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(group);
  layout->addStretch();
  return page;
}

}  // namespace ruz
