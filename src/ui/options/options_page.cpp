#include "ui/options/options_page.h"

#include <QCheckBox>
#include <QLineEdit>

#include "config/settings_writer.h"
#include "platform/ini.h"
#include "ui/qt_text.h"

namespace ruz {

void ApplyTarget::Write(const SettingField &field, std::string_view text, ChangeNote note) {
  if (Failed()) return;
  result = WriteSetting(field, text, iniPath);
  if (result && note == ChangeNote::kCounts) context.changed = 1;
}

void ApplyTarget::WriteList(const ListSection &section, const std::vector<ListRow> &rows) {
  if (Failed()) return;
  result = WriteListSection(section, rows, iniPath);
  if (result) context.changed = 1;
}

OptionsPage::OptionsPage(const ServerSettings &settings, OptionsMemory &memory)
    : settings_(settings), memory_(memory) {}

void OptionsPage::Apply(ApplyTarget &target) const {
  for (const ApplyStep &step : steps_) {
    if (target.Failed()) return;
    step(target);
  }
}

QSize OptionsPage::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const QSize classic(metrics.averageCharWidth() * 210 / 4, metrics.height() * 160 / 8);
  return QWidget::sizeHint().expandedTo(classic);
}

QString KeyName(std::string_view name) {
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QCheckBox *AddFlagBox(OptionsPage &page, const SettingField &field, const QString &label) {
  auto *box = new QCheckBox(label);
  box->setObjectName(KeyName(field.key));
  const bool on = LoadedInt(field, page.Settings()) != 0;
  box->setChecked(on);
  page.AddStep([box, key = &field, on](ApplyTarget &target) {
    if (box->isChecked() != on) target.Write(*key, box->isChecked() ? "1" : "0");
  });
  return box;
}

QLineEdit *AddTextEdit(OptionsPage &page, const SettingField &field) {
  auto *edit = new QLineEdit(FromCp932(FileText(field, page.Settings())));
  edit->setObjectName(KeyName(field.key));
  edit->setCursorPosition(0);  // a long text shows its start
  const QString filled = edit->text();
  page.AddStep([edit, key = &field, filled](ApplyTarget &target) {
    if (edit->text() != filled) target.Write(*key, ToCp932(edit->text()));
  });
  return edit;
}

QLineEdit *AddNumberEdit(OptionsPage &page, const SettingField &field) {
  const int loaded = LoadedInt(field, page.Settings());
  auto *edit = new QLineEdit(QString::number(loaded));
  edit->setObjectName(KeyName(field.key));
  page.AddStep([edit, key = &field, loaded](ApplyTarget &target) {
    const std::string typed = FitToField(*key, ToCp932(edit->text()));
    if (ParseIniInt(typed) != loaded) target.Write(*key, typed);
  });
  return edit;
}

}  // namespace ruz
