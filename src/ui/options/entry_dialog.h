// The add/edit dialog of one list entry, built from a template per list.
#pragma once

#include <QDialog>

#include <cstddef>
#include <string>
#include <vector>

#include "config/setting_fields.h"
#include "ui/options/options_sheet.h"

class QFormLayout;
class QLineEdit;

namespace ruz {

/// How a field shows its text. An integer key's field is stored as the "%d"
/// of its leading number whatever its form.
enum class FieldForm {
  kText,
  kSecret,   // masked, with a check box that shows it
  kUserName, // text without ":" (Basic credentials end the name there)
};

struct DialogField {
  const char16_t *label;
  const SettingField *field;  // the entry's key: its name (also the edit's object
                              // name), its kind and the most bytes taken on OK
  const char16_t *warning;    // shown when empty on OK; nullptr: may stay empty
  FieldForm form = FieldForm::kText;

  bool IsInteger() const { return field->kind == FieldKind::kInteger; }
};

/// The buttons under the fields: a program picker with the standard arguments,
/// a file picker or a folder picker, each changing the field extraField.
enum class DialogExtra { kNone, kCgiCommand, kErrorFilePicker, kFolderPicker };

/// Fields in display order, which is the order of the keys of the list's
/// section; required fields are tested in that order too.
struct DialogTemplate {
  const char16_t *title;
  std::vector<DialogField> fields;
  const char16_t *note = nullptr;
  DialogExtra extra = DialogExtra::kNone;
  int extraField = -1;       // the field the extra buttons change
  int fillOnlyWhenSet = -1;  // when >= 0, the fields open empty unless this one is set
};

const DialogTemplate &EntryDialogTemplate(ListKind kind);

/// The block of an entry: one CP932 text per template field, in field order.
using EntryBlock = std::vector<std::string>;

/// Shows block in its fields; OK refuses to close while a required field is
/// empty and otherwise fills Block() with the fields cut to their limits.
/// Untouched fields give back the bytes they were filled with.
class EntryDialog : public QDialog {
  Q_OBJECT

 public:
  /// documentRoot is where the error-page picker starts when nothing was picked.
  EntryDialog(QWidget *owner, const DialogTemplate &form, EntryBlock block,
              OptionsMemory &memory, QString documentRoot = {});

  const EntryBlock &Block() const { return block_; }
  void accept() override;

 private:
  void AddField(QFormLayout *form, const DialogField &field, const QString &shown);
  void AddExtras(QFormLayout *form);
  std::string FieldBytes(std::size_t index) const;
  void AppendToField(const QString &text);
  void AddStandardArguments();
  void PickCgiProgram();
  void PickErrorFile();
  void PickFolder();

  const DialogTemplate &form_;
  OptionsMemory &memory_;
  EntryBlock block_;
  std::vector<QLineEdit *> edits_;
  std::vector<QString> filled_;
  QString documentRoot_;
};

/// Runs the dialog of kind over owner: 1 on OK (block replaced by the fields),
/// 2 on Cancel, Esc or the close box (block untouched).
int RunEntryDialog(QWidget *owner, ListKind kind, EntryBlock &block, OptionsMemory &memory,
                   const QString &documentRoot = {});

}  // namespace ruz
