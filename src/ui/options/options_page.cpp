#include "ui/options/options_page.h"

#include <QCheckBox>
#include <QLineEdit>

#include "platform/ini.h"
#include "ui/options/option_values.h"
#include "ui/qt_text.h"

namespace ruz {

void ApplyTarget::Write(std::string_view key, std::string_view value) {
  WriteIniString(iniPath, kMainSection, key, value);  // results ignored, as on Windows
  context.changed = 1;
}

OptionsPage::OptionsPage(const ServerSettings &settings, OptionsMemory &memory)
    : settings_(settings), memory_(memory) {}

void OptionsPage::Apply(ApplyTarget &target) const {
  for (const ApplyStep &step : steps_) step(target);
}

QSize OptionsPage::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const QSize classic(metrics.averageCharWidth() * 210 / 4, metrics.height() * 160 / 8);
  return QWidget::sizeHint().expandedTo(classic);
}

QString KeyName(const char *key) { return QString::fromLatin1(key); }

QCheckBox *AddFlagBox(OptionsPage &page, const char *key, const QString &label, int loaded) {
  auto *box = new QCheckBox(label);
  box->setObjectName(KeyName(key));
  const bool on = loaded != 0;
  box->setChecked(on);
  page.AddStep([box, key, on](ApplyTarget &target) {
    if (box->isChecked() != on) target.Write(key, box->isChecked() ? "1" : "0");
  });
  return box;
}

QLineEdit *AddTextEdit(OptionsPage &page, const char *key, std::string_view shown,
                       std::size_t limit) {
  auto *edit = new QLineEdit(FromCp932(shown));
  edit->setObjectName(KeyName(key));
  edit->setCursorPosition(0);  // a long text shows its start
  const QString filled = edit->text();
  page.AddStep([edit, key, filled, limit](ApplyTarget &target) {
    if (edit->text() != filled) target.Write(key, CutCp932(ToCp932(edit->text()), limit));
  });
  return edit;
}

QLineEdit *AddNumberEdit(OptionsPage &page, const char *key, int loaded, std::size_t limit) {
  auto *edit = new QLineEdit(QString::number(loaded));
  edit->setObjectName(KeyName(key));
  page.AddStep([edit, key, loaded, limit](ApplyTarget &target) {
    const std::string typed = CutCp932(ToCp932(edit->text()), limit);
    if (ParseIniInt(typed) != loaded) target.Write(key, typed);
  });
  return edit;
}

}  // namespace ruz
