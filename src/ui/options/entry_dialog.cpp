#include "ui/options/entry_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ini.h"
#include "ui/options/dialog_buttons.h"
#include "ui/options/options_page.h"
#include "ui/options/path_pickers.h"
#include "ui/message_boxes.h"
#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::Literals::StringLiterals;

namespace {

// Qt takes the patterns from the last parenthesised group and, with
// HideNameFilterDetails, shows the rest; "*.*" would only match names with a dot.
const QString kCgiFilter = u"実行ファイル (*);;すべてのファイル (*.*) (*)"_s;
const QString kErrorFileFilter =
    u"HTMLファイル (*.html;*.htm;*.shtml) (*.html *.htm *.shtml);;CGIファイル (*.cgi);;"
    u"すべてのファイル (*.*) (*)"_s;
const QString kStandardArguments = u"\"%filepath%\" \"%query%\""_s;

QString Text(const char16_t *utf16) { return QString::fromUtf16(utf16); }

// Where a CGI program is looked for first.
const QString kProgramsFolder = u"/usr/bin"_s;

}  // namespace

EntryDialog::EntryDialog(QWidget *owner, const DialogTemplate &form, EntryBlock block,
                         OptionsMemory &memory, QString documentRoot)
    : QDialog(owner),
      form_(form),
      memory_(memory),
      block_(std::move(block)),
      documentRoot_(std::move(documentRoot)) {
  setWindowTitle(Text(form.title));
  UseFixedDialogFrame(*this);
  block_.resize(form.fields.size());
  const bool fill = form.fillOnlyWhenSet < 0 || !block_[form.fillOnlyWhenSet].empty();
  // The layout is set on the dialog first, so that widgets join the focus
  // chain in the order they are added: fields, pickers, then OK and キャンセル.
  auto *layout = new QVBoxLayout(this);
  auto *fields = new QFormLayout;
  layout->addLayout(fields);
  for (std::size_t i = 0; i < form.fields.size(); ++i) {
    const DialogField &field = form.fields[i];
    QString shown;
    if (fill) {
      shown = field.IsInteger() ? QString::number(ParseIniInt(block_[i])) : FromCp932(block_[i]);
    } else {
      block_[i].clear();
    }
    AddField(fields, field, shown);
  }
  AddExtras(fields);
  if (form.note) {
    auto *note = new QLabel(Text(form.note));
    note->setWordWrap(true);
    layout->addWidget(note);
  }
  layout->addWidget(MakeOkCancel(*this));
  edits_.front()->setFocus(Qt::OtherFocusReason);
}

void EntryDialog::AddField(QFormLayout *form, const DialogField &field, const QString &shown) {
  auto *edit = new QLineEdit(shown);
  edit->setObjectName(KeyName(field.field->key));
  edit->setCursorPosition(0);  // a long text shows its start
  edit->setMinimumWidth(fontMetrics().averageCharWidth() * 44);
  edits_.push_back(edit);
  filled_.push_back(shown);
  if (field.IsInteger()) {
    // A number needs no full-width row.
    edit->setMaximumWidth(fontMetrics().averageCharWidth() * 12);
    edit->setMinimumWidth(edit->maximumWidth());
  }
  form->addRow(Text(field.label), edit);
  if (field.form != FieldForm::kSecret) return;
  edit->setEchoMode(QLineEdit::Password);
  auto *show = new QCheckBox(u"パスワードを表示する"_s);
  show->setObjectName(u"showPassword"_s);
  connect(show, &QCheckBox::toggled, edit, [edit](bool on) {
    edit->setEchoMode(on ? QLineEdit::Normal : QLineEdit::Password);
  });
  form->addRow(QString(), show);
}

void EntryDialog::AddExtras(QFormLayout *form) {
  if (form_.extra == DialogExtra::kNone) return;
  auto *browse = new QPushButton(u"参照..."_s);
  browse->setObjectName(u"browse"_s);
  TakeEnterWhileFocused(browse);
  auto *row = new QHBoxLayout;
  row->addWidget(browse);
  if (form_.extra == DialogExtra::kCgiCommand) {
    auto *arguments = new QPushButton(kStandardArguments + u"の追加"_s);
    arguments->setObjectName(u"addArgs"_s);
    TakeEnterWhileFocused(arguments);
    row->addWidget(arguments);
    connect(arguments, &QPushButton::clicked, this, &EntryDialog::AddStandardArguments);
    connect(browse, &QPushButton::clicked, this, &EntryDialog::PickCgiProgram);
  } else if (form_.extra == DialogExtra::kFolderPicker) {
    connect(browse, &QPushButton::clicked, this, &EntryDialog::PickFolder);
  } else {
    connect(browse, &QPushButton::clicked, this, &EntryDialog::PickErrorFile);
  }
  row->addStretch();
  form->addRow(QString(), row);
}

std::string EntryDialog::FieldBytes(std::size_t index) const {
  const SettingField &field = *form_.fields[index].field;
  const QString text = edits_[index]->text();
  return FitToField(field, text == filled_[index] ? block_[index] : ToCp932(text));
}

void EntryDialog::accept() {
  EntryBlock fields;
  for (std::size_t i = 0; i < edits_.size(); ++i) fields.push_back(FieldBytes(i));
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const DialogField &field = form_.fields[i];
    if (field.warning && fields[i].empty()) {
      ShowWarning(this, Text(field.warning));
      edits_[i]->setFocus(Qt::OtherFocusReason);
      return;
    }
    if (field.form == FieldForm::kUserName && fields[i].find(':') != std::string::npos) {
      ShowWarning(this, u"ユーザー名に「:」は使えません"_s);
      edits_[i]->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (form_.fields[i].IsInteger()) fields[i] = std::to_string(ParseIniInt(fields[i]));
  }
  block_ = std::move(fields);
  QDialog::accept();
}

// The extra field becomes its current text, cut to its key's limit, directly
// followed by text.
void EntryDialog::AppendToField(const QString &text) {
  const auto index = static_cast<std::size_t>(form_.extraField);
  const std::string current = FieldBytes(index);
  edits_[index]->setText(FromCp932(current) + text);
}

void EntryDialog::AddStandardArguments() { AppendToField(kStandardArguments); }

void EntryDialog::PickCgiProgram() {
  const QString path = PickPath(this, {u"CGI の実行コマンドを選択"_s, kProgramsFolder,
                                       memory_.cgiPickerPath, kCgiFilter});
  if (path.isEmpty()) return;
  memory_.cgiPickerPath = path;
  AppendToField(path);
}

void EntryDialog::PickErrorFile() {
  const QString start = documentRoot_.isEmpty() ? ProgramFolder() : documentRoot_;
  const QString path = PickPath(this, {u"エラーページに表示するファイルを選択"_s, start,
                                       memory_.errorPagePickerPath, kErrorFileFilter});
  if (path.isEmpty()) return;
  memory_.errorPagePickerPath = path;
  edits_[static_cast<std::size_t>(form_.extraField)]->setText(ProgramRelative(path));
}

void EntryDialog::PickFolder() {
  QLineEdit *edit = edits_[static_cast<std::size_t>(form_.extraField)];
  const QString path = PickPath(this, {u"エイリアスのローカルパス（フォルダー）を選択"_s,
                                       ProgramFolder(), memory_.folderPickerPath, QString(),
                                       PickWhat::kFolder});
  if (path.isEmpty()) return;
  memory_.folderPickerPath = path;
  edit->setText(ProgramRelative(path));
}

int RunEntryDialog(QWidget *owner, ListKind kind, EntryBlock &block, OptionsMemory &memory,
                   const QString &documentRoot) {
  EntryDialog dialog(owner, EntryDialogTemplate(kind), block, memory, documentRoot);
  if (dialog.exec() != QDialog::Accepted) return 2;
  block = dialog.Block();
  return 1;
}

}  // namespace ruz
