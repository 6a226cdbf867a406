// The process environment, with values converted to CP932 like the ANSI
// environment functions deliver them.
#include "platform/environment.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/text_codes.h"

extern char **environ;

namespace ruz {

bool GetEnvironmentValue(std::string_view name, std::string &value) {
  const char *raw = std::getenv(Cp932ToUtf8(name).c_str());
  if (raw == nullptr) {
    value.clear();
    return false;
  }
  value = Utf8ToCp932(raw);
  return true;
}

std::vector<std::string> EnvironmentStrings() {
  std::vector<std::string> strings;
  for (char **entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    strings.push_back(Utf8ToCp932(*entry));
  }
  return strings;
}

std::string HostName() {
  char buffer[256] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) return std::string();
  return Utf8ToCp932(buffer);
}

}  // namespace ruz
