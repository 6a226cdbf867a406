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
  QCheckBox *write = AddFlagBox(*page, field::kLogWrite, u"ログを記録する"_s);
  form->addRow(write);
  QWidget *name = PathRow(AddTextEdit(*page, field::kLogName), "browseLog",
                          {u"ログファイルを選択"_s, ProgramFolder(), QString(),
                           u"ログファイル (*.log) (*.log);;すべてのファイル (*.*) (*)"_s},
                          memory.logPickerPath);
  form->addRow(u"ログファイル名:"_s, name);
  QLineEdit *format = AddTextEdit(*page, field::kLogFormat);
  form->addRow(u"ログフォーマット:"_s, format);
  auto *restore = new QPushButton(u"標準に戻す"_s);
  restore->setObjectName(u"restoreLogFormat"_s);
  TakeEnterWhileFocused(restore);
  QObject::connect(restore, &QPushButton::clicked, format, [format] {
    format->setText(FromCp932(kStandardLogFormat));
    format->setCursorPosition(0);
  });
  auto *restoreRow = new QHBoxLayout;
  restoreRow->addStretch();
  restoreRow->addWidget(restore);
  form->addRow(restoreRow);
  QCheckBox *buffer = AddFlagBox(*page, field::kMem, u"バッファリングを有効にする"_s);
  form->addRow(buffer);

  auto *limitBox = new QWidget;
  auto *limitRow = new QHBoxLayout(limitBox);
  limitRow->setContentsMargins(0, 0, 0, 0);
  QLineEdit *limit = AddNumberEdit(*page, field::kBufMax);
  limit->setMaximumWidth(limit->fontMetrics().averageCharWidth() * 12);
  limitRow->addWidget(new QLabel(u"上限:"_s));
  limitRow->addWidget(limit);
  limitRow->addWidget(new QLabel(u"バイト"_s));
  limitRow->addStretch();
  form->addRow(limitBox);
  EnableWhileChecked(buffer, {limitBox});
  EnableWhileChecked(write, {name, format, restore, buffer});
  // Buffering's own tick still rules the limit once writing is back on.
  QObject::connect(write, &QCheckBox::toggled, limitBox,
                   [buffer, limitBox](bool on) { limitBox->setEnabled(on && buffer->isChecked()); });
  limitBox->setEnabled(write->isChecked() && buffer->isChecked());

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(group);
  layout->addStretch();
  return page;
}

}  // namespace ruz
