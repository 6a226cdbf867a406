// A page of the options sheet and the controls bound to ini keys.
#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/setting_fields.h"
#include "platform/files.h"
#include "ui/options/options_sheet.h"

class QCheckBox;
class QLineEdit;

namespace ruz {

/// Whether a write counts as a change of the settings (RunOptionsSheet's result).
enum class ChangeNote { kCounts, kUncounted };

/// Where a page writes on OK: the ini file at iniPath. The first write that
/// fails is kept in result, and nothing is written after it.
struct ApplyTarget {
  OptionsContext &context;
  std::string iniPath;
  WriteResult result = {};

  /// Writes text (cut to the key's limit) under field's key of [RUZ] and,
  /// unless note says otherwise, notes the change.
  void Write(const SettingField &field, std::string_view text,
             ChangeNote note = ChangeNote::kCounts);
  /// Writes rows into the numbered sections of section and notes the change.
  void WriteList(const ListSection &section, const std::vector<ListRow> &rows);
  bool Failed() const { return !result.written; }
};

/// A page: its controls, and the steps that write what differs, in page order.
class OptionsPage : public QWidget {
 public:
  using ApplyStep = std::function<void(ApplyTarget &)>;

  OptionsPage(const ServerSettings &settings, OptionsMemory &memory);

  const ServerSettings &Settings() const { return settings_; }
  OptionsMemory &Memory() const { return memory_; }

  void AddStep(ApplyStep step) { steps_.push_back(std::move(step)); }
  /// Runs the steps in order until one write fails.
  void Apply(ApplyTarget &target) const;

  /// What the controls ask for, but at least the classic page size of 210 × 160
  /// dialog units of the page's font.
  QSize sizeHint() const override;

 private:
  const ServerSettings &settings_;
  OptionsMemory &memory_;
  std::vector<ApplyStep> steps_;
};

/// A check box named after field's key, ticked when the loaded flag is not 0;
/// on OK writes "0" or "1" when its state differs from the loaded flag.
QCheckBox *AddFlagBox(OptionsPage &page, const SettingField &field, const QString &label);

/// An edit named after field's key showing the loaded text as the file holds
/// it (a path as written, a list with commas); on OK, when its text differs
/// from what it was filled with, writes the typed text's CP932 bytes cut to the
/// key's limit. Untouched texts are never re-encoded (CP932 does not round-trip).
QLineEdit *AddTextEdit(OptionsPage &page, const SettingField &field);

/// An edit named after field's key showing the loaded integer as "%d"; on OK,
/// when the typed text's leading integer differs from it, writes the text as
/// typed (cut to the key's limit).
QLineEdit *AddNumberEdit(OptionsPage &page, const SettingField &field);

/// A QString holding the ASCII name (object names of controls).
QString KeyName(std::string_view name);

}  // namespace ruz
