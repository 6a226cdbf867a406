// The ten pages of the options sheet, all built when the sheet opens.
#pragma once

#include <QString>

#include <initializer_list>
#include <span>

#include "ui/options/options_page.h"
#include "ui/options/path_pickers.h"

class QGroupBox;
class QFormLayout;

namespace ruz {

/// What a page edits: keys of [RUZ], each by a control named after its key,
/// and lists. Every key the field table gives to the options sheet is on
/// exactly one page.
struct PageContents {
  std::span<const SettingField *const> keys;
  std::span<const ListKind> lists;
};

/// The contents of the page of tab index (0 … kOptionsPageCount − 1).
PageContents ContentsOfPage(int index);

OptionsPage *BuildServerPage(const ServerSettings &settings, OptionsMemory &memory);
OptionsPage *BuildLogPage(const ServerSettings &settings, OptionsMemory &memory);
OptionsPage *BuildCgiSsiPage(const ServerSettings &settings, OptionsMemory &memory);
OptionsPage *BuildAliasPage(const ServerSettings &settings, OptionsMemory &memory);
OptionsPage *BuildAccessPage(const ServerSettings &settings, OptionsMemory &memory);
OptionsPage *BuildErrorPagePage(const ServerSettings &settings, OptionsMemory &memory);
OptionsPage *BuildMimePage(const ServerSettings &settings, OptionsMemory &memory);
OptionsPage *BuildUserPage(const ServerSettings &settings, OptionsMemory &memory);
OptionsPage *BuildAuthPage(const ServerSettings &settings, OptionsMemory &memory);
OptionsPage *BuildRemoteHostPage(const ServerSettings &settings, OptionsMemory &memory);

/// A group box titled title holding a new form layout, returned through form.
QGroupBox *MakeFormGroup(const QString &title, QFormLayout *&form);

/// A row of edit followed by a 参照... button named browseName that runs the picker of
/// request (starting at lastChoice once one was made) and puts the choice into
/// edit, relative to the program folder when it lies inside it.
QWidget *PathRow(QLineEdit *edit, const char *browseName, PickRequest request,
                 QString &lastChoice);

/// Enables the widgets only while box is ticked, now and whenever it changes.
void EnableWhileChecked(QCheckBox *box, std::initializer_list<QWidget *> widgets);

}  // namespace ruz
