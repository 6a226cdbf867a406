// Settings that load but cannot work, found once at start so the operator is
// told which key to change instead of getting a server that silently serves nothing.
#pragma once

#include <string>
#include <vector>

#include "config/settings.h"

namespace ruz {

/// Where the operator is told to make the change: the ruz.ini key, or the
/// field of the window's options sheet.
enum class FixPlace { kIniFile, kOptionsSheet };

/// One CP932 warning text per setting that cannot work, each naming the key or
/// field to change: no connection slots (maxconnect), an access log that cannot
/// be written (logwrite with an empty, folder or unwritable logname) and a
/// missing document root. Looks at the file system; changes nothing. Empty when
/// all is well.
std::vector<std::string> StartupWarnings(const ServerSettings &settings,
                                         FixPlace place = FixPlace::kIniFile);

}  // namespace ruz
