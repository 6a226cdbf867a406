// The program: reads the command line, settles the program folder, then runs
// the window or the headless server.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/command_line.h"
#include "app/headless.h"
#include "common/version.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_codes.h"
#ifdef RUZ_WITH_UI
#include "ui/run_window.h"
#endif

namespace {

using namespace ruz;

struct FolderPlan {
  std::string installedData;  // CP932
  ProgramFolderChoice choice;
};

FolderPlan PlanProgramFolder() {
  const std::string exeDir = ExecutableDirectory();
  FolderPlan plan;
  plan.installedData = InstalledDataDirectory();
  plan.choice = ChooseProgramFolder(exeDir, plan.installedData, UserProgramFolder());
  return plan;
}

std::string Usage(const FolderPlan &plan) {
  if (plan.choice.directory.empty()) return UsageText("$HOME/.config/ruz (HOME is not set)");
  return UsageText(Cp932ToUtf8(plan.choice.directory));
}

// --home DIR, made absolute against the working directory; it must be a folder.
int UseHomeFolder(const std::string &home) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(home, error);
  std::string dir = Utf8ToCp932(error ? home : absolute.lexically_normal().string());
  if (!GetFileInfo(dir).isDirectory) {
    std::fprintf(stderr, "ruz: --home %s: no such folder\n", home.c_str());
    return kExitFailure;
  }
  SetProgramDirectory(dir);
  return kExitOk;
}

// The executable's folder or the per-user folder, made from the installed
// sample on the first start.
int UseDefaultFolder(const FolderPlan &plan) {
  const std::string &dir = plan.choice.directory;
  if (dir.empty()) {
    std::fputs("ruz: neither XDG_CONFIG_HOME nor HOME names a folder for the settings; "
               "use --home DIR\n", stderr);
    return kExitFailure;
  }
  if (plan.choice.perUser) {
    const std::string ini = PathAppend(dir, kIniFileName);
    const bool hadIni = GetFileInfo(ini).exists;
    if (!PrepareUserFolder(dir, plan.installedData)) {
      std::fprintf(stderr, "ruz: cannot make the program folder %s\n", Cp932ToUtf8(dir).c_str());
      return kExitFailure;
    }
    if (!hadIni && GetFileInfo(ini).exists) {
      std::fprintf(stderr, "ruz: first start: the sample settings and site were copied to %s\n",
                   Cp932ToUtf8(dir).c_str());
    }
  }
  SetProgramDirectory(dir);
  return kExitOk;
}

}  // namespace

int main(int argc, char **argv) {
  CommandLine line = ParseCommandLine(argc, argv);
  const FolderPlan plan = PlanProgramFolder();
  switch (line.action) {
    case CommandAction::kHelp:
      std::fputs(Usage(plan).c_str(), stdout);
      return kExitOk;
    case CommandAction::kVersion:
      std::printf("%s\n", kServerSoftware);
      return kExitOk;
    case CommandAction::kUsageError:
      std::fprintf(stderr, "ruz: %s\n\n%s", line.error.c_str(), Usage(plan).c_str());
      return kExitUsage;
    case CommandAction::kRun:
      break;
  }
  // A client or a program that went away, or a closed standard output, must
  // never end the server, whichever front end runs it.
  IgnoreBrokenPipeSignal();
  // Paths inside the program are CP932; the folder arrives as a file-system (UTF-8) path.
  int status = line.hasHome ? UseHomeFolder(line.home) : UseDefaultFolder(plan);
  if (status != kExitOk) return status;
#ifdef RUZ_WITH_UI
  if (!line.headless) {
    const int toolkitArgc = static_cast<int>(line.toolkitArgs.size());
    line.toolkitArgs.push_back(nullptr);  // argv ends with a null pointer
    status = RunMainWindow(toolkitArgc, line.toolkitArgs.data());
    if (status != -1) return status;
  }
#endif
  return RunHeadless();
}
