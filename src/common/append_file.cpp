// Appending to a file that stays closed between writes.
#include "common/append_file.h"

#include "platform/files.h"

namespace ruz {

void AppendToFile(std::string_view path, std::string_view content) {
  // Failure is silent by design: a log line that cannot be written is dropped.
  (void)AppendBytes(path, content);
}

}  // namespace ruz
