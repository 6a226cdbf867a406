#include "ui/settings_transfer.h"

#include <string>

#include "platform/files.h"

namespace ruz {

bool CopySettingsFile(std::string_view from, std::string_view to) {
  std::string content;
  if (!ReadWholeFile(from, content)) return false;
  return ReplaceFileAtomically(to, content);
}

}  // namespace ruz
