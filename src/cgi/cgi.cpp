// CGI: choosing the rule for a file, and serving a request by running its program.
#include "cgi/cgi.h"

#include <string>

#include "cgi/child_process.h"
#include "cgi/command_line.h"
#include "cgi/environment_block.h"
#include "common/lines.h"
#include "config/settings.h"
#include "http/status_rows.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_codes.h"
#include "http/connection_slot.h"
#include "http/request_info.h"

namespace ruz {

namespace {

enum class HeaderCheck { kMatches, kDiffers, kUnreadable };

// Whether the file begins with prefix (letter case significant).
HeaderCheck CheckFileHeader(std::string_view path, const std::string &prefix) {
  ReadFile file(path);
  if (!file.IsOpen()) return HeaderCheck::kUnreadable;
  std::string bytes(prefix.size(), '\0');
  std::size_t have = 0;
  while (have < bytes.size()) {
    const long long n = file.Read(bytes.data() + have, bytes.size() - have);
    if (n < 0) return HeaderCheck::kUnreadable;
    if (n == 0) return HeaderCheck::kDiffers;  // shorter than the prefix
    have += static_cast<std::size_t>(n);
  }
  return bytes == prefix ? HeaderCheck::kMatches : HeaderCheck::kDiffers;
}

}  // namespace

int FindCgiRule(const ServerSettings &settings, std::string_view localPath) {
  const std::string_view extension = PathFindExtension(localPath);
  int result = -1;
  for (std::size_t i = 0; i < settings.cgiRules.size(); ++i) {
    const CgiRule &rule = settings.cgiRules[i];
    if (FindLine(rule.extension, extension, false) < 0) continue;
    if (rule.fileheader.empty()) {
      result = static_cast<int>(i);
      continue;
    }
    const HeaderCheck check = CheckFileHeader(localPath, rule.fileheader);
    // A file that cannot be read ends the search, even after an earlier match.
    if (check == HeaderCheck::kUnreadable) return -2;
    if (check == HeaderCheck::kMatches) result = static_cast<int>(i);
  }
  return result;
}

bool ServeCgi(ConnectionSlot &slot, RequestInfo &request, int rule, std::uint64_t &bytesSent) {
  bytesSent = 0;
  SetStatusText(slot, RUZ_CP932("CGI実行中..."));
  EnvironmentBlock environment;
  BuildCgiEnvironment(environment, slot, request, true);
  const std::vector<std::string> arguments =
      ExpandCommandLine(slot.settings->cgiRules[static_cast<std::size_t>(rule)].cmdline,
                        request.localPath, request.query);
  const std::string workingDirectory =
      PathRemoveFileSpec(std::string_view(request.localPath).substr(0, kMaxPathLength));
  const RunResult result = RunChildProcess(slot, arguments, workingDirectory, environment,
                                           bytesSent, BodyOf(request), HeaderMode::kSend,
                                           request.method == "HEAD" ? OutputUse::kDiscard
                                                                    : OutputUse::kRelay);
  SetStatusText(slot, RunResultText(result));
  return result == kRunOk;
}

}  // namespace ruz
