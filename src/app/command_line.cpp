// Reading the command line and the usage text.
#include "app/command_line.h"

#include <string_view>

namespace ruz {
namespace {

constexpr std::string_view kHomeOption = "--home";

// The value of --home DIR or --home=DIR at argv[i] (i moves past it); false when missing.
bool TakeHome(int argc, char **argv, int &i, std::string &home) {
  std::string_view arg = argv[i];
  if (arg.size() > kHomeOption.size()) {
    home = arg.substr(kHomeOption.size() + 1);  // after "--home="
  } else if (i + 1 < argc) {
    home = argv[++i];
  } else {
    home.clear();
  }
  // A following option is a forgotten folder, not a folder named "-…".
  return !home.empty() && home.front() != '-';
}

CommandLine UsageError(std::string error) {
  CommandLine line;
  line.action = CommandAction::kUsageError;
  line.error = std::move(error);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(int argc, char **argv) {
  CommandLine line;
  line.toolkitArgs.push_back(argc > 0 ? argv[0] : nullptr);
  int i = 1;
  for (; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") {
      line.action = CommandAction::kHelp;
      return line;
    }
    if (arg == "--version") {
      line.action = CommandAction::kVersion;
      return line;
    }
    if (arg == "--headless") {
      line.headless = true;
    } else if (arg == kHomeOption || arg.starts_with("--home=")) {
      if (!TakeHome(argc, argv, i, line.home)) return UsageError("--home needs a folder");
      line.hasHome = true;
    } else if (arg.starts_with("-")) {
      return UsageError("unknown option: " + std::string(arg));
    } else {
      return UsageError("unexpected argument: " + std::string(arg));
    }
  }
  for (++i; i < argc; ++i) line.toolkitArgs.push_back(argv[i]);
  if (line.headless && line.toolkitArgs.size() > 1)
    return UsageError("the arguments after -- are for the window; --headless takes none");
  return line;
}

std::string UsageText(const std::string &programFolder) {
  return "Usage: ruz [--headless] [--home DIR] [-- TOOLKIT-OPTIONS...]\n"
         "       ruz --help | --version\n"
         "\n"
         "Ruzo'sWebserver: a small personal HTTP/1.1 server with a desktop window.\n"
         "\n"
         "  --headless    serve without the window; SIGINT (Ctrl+C) or SIGTERM stops\n"
         "  --home DIR    use DIR as the program folder (it must exist)\n"
         "  -h, --help    print this text and exit\n"
         "  --version     print the version and exit\n"
         "  --            pass the rest to the window's toolkit (Qt), for example\n"
         "                ruz -- -platform offscreen\n"
         "\n"
         "The program folder holds ruz.ini, the settings; relative paths in it (root,\n"
         "logname, ...) start there. Without --home it is the executable's folder when\n"
         "that holds ruz.ini, or is writable and no installed sample lies beside it (a\n"
         "portable or build folder); an installed program uses $XDG_CONFIG_HOME/ruz\n"
         "(default ~/.config/ruz), made from the installed sample on the first start.\n"
         "\n"
         "Without --home, ruz.ini is read from " +
         programFolder + "/ruz.ini\n";
}

}  // namespace ruz
