// The program: `ruz [--headless] [--home DIR]`.
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/headless.h"
#include "platform/paths.h"
#include "platform/text_codes.h"
#ifdef RUZ_WITH_UI
#include "ui/run_window.h"
#endif

namespace {

struct Options {
  bool headless = false;
  const char *home = nullptr;
};

// Other arguments are left to the window's toolkit.
Options ParseOptions(int argc, char **argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--headless") == 0) {
      options.headless = true;
    } else if (std::strcmp(argv[i], "--home") == 0 && i + 1 < argc) {
      options.home = argv[++i];
    }
  }
  return options;
}

}  // namespace

int main(int argc, char **argv) {
  Options options = ParseOptions(argc, argv);
  // The home directory arrives as a file-system (UTF-8) path; paths inside are CP932.
  if (options.home != nullptr) {
    std::error_code error;
    std::filesystem::path home = std::filesystem::absolute(options.home, error);
    ruz::SetProgramDirectory(ruz::Utf8ToCp932(error ? options.home : home.lexically_normal().string()));
  }
#ifdef RUZ_WITH_UI
  if (!options.headless) {
    int status = ruz::RunMainWindow(argc, argv);
    if (status != -1) return status;
  }
#endif
  return ruz::RunHeadless();
}
