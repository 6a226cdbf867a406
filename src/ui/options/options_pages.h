// The ten pages of the options sheet, all built when the sheet opens.
#pragma once

#include <QString>

#include "ui/options/options_page.h"

class QGroupBox;
class QFormLayout;

namespace ruz {

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

}  // namespace ruz
