// Page 3 "CGI/SSI": CGI permission and rules, SSI settings, paths where neither runs.
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "ui/options/list_page.h"
#include "ui/options/options_pages.h"
#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

namespace {

// One pattern per line; on OK, when the text differs from what the edit was
// filled with, every line break becomes "," and the result is written.
QPlainTextEdit *AddNoCgiSsiEdit(OptionsPage &page) {
  auto *edit = new QPlainTextEdit;
  edit->setObjectName(KeyName(field::kNoCgiSsi.key));
  const QRegularExpression lineBreak(u"\r\n|\r|\n|\u2029"_s);
  const QString loaded = FromCp932(LoadedText(field::kNoCgiSsi, page.Settings()));
  edit->setPlainText(QString(loaded).replace(lineBreak, u"\n"_s));
  const QString filled = edit->toPlainText();
  page.AddStep([edit, filled, lineBreak](ApplyTarget &target) {
    QString text = edit->toPlainText();
    if (text == filled) return;
    text.replace(lineBreak, u","_s);
    target.Write(field::kNoCgiSsi, ToCp932(text));
  });
  return edit;
}

}  // namespace

OptionsPage *BuildCgiSsiPage(const ServerSettings &s, OptionsMemory &memory) {
  auto *page = new OptionsPage(s, memory);
  auto *cgiGroup = new QGroupBox(u"CGI設定"_s);
  auto *cgi = new QVBoxLayout(cgiGroup);
  QCheckBox *cgiAllowed = AddFlagBox(*page, field::kRunning, u"CGIを許可する"_s);
  cgi->addWidget(cgiAllowed);
  auto *rules = new ListPage(*page, kCgiList);
  cgi->addWidget(rules);
  EnableWhileChecked(cgiAllowed, {rules});

  QFormLayout *ssi = nullptr;
  QGroupBox *ssiGroup = MakeFormGroup(u"SSI設定"_s, ssi);
  QCheckBox *ssiAllowed = AddFlagBox(*page, field::kSsi, u"SSIを許可する"_s);
  ssi->addRow(ssiAllowed);
  QLineEdit *extensions = AddTextEdit(*page, field::kSsiExts);
  ssi->addRow(u"拡張子:"_s, extensions);
  QCheckBox *noExec = AddFlagBox(*page, field::kSsiNoExecCmd, u"exec cmdを禁止"_s);
  ssi->addRow(noExec);
  EnableWhileChecked(ssiAllowed, {extensions, noExec});

  auto *forbidGroup = new QGroupBox(u"実行禁止"_s);
  auto *forbid = new QVBoxLayout(forbidGroup);
  forbid->addWidget(new QLabel(u"CGI/SSI実行禁止パス:"_s));
  QPlainTextEdit *paths = AddNoCgiSsiEdit(*page);
  paths->setMinimumHeight(paths->fontMetrics().height() * 2);
  paths->setMaximumHeight(paths->fontMetrics().height() * 5);
  forbid->addWidget(paths);

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(cgiGroup, 1);
  layout->addWidget(ssiGroup);
  layout->addWidget(forbidGroup);
  return page;
}

}  // namespace ruz
