// The exec directive: a shell command, or a CGI program with its header dropped.
#include "cgi/cgi.h"
#include "cgi/command_line.h"
#include "http/server_shared.h"
#include "config/settings.h"
#include "http/request_info.h"
#include "platform/files.h"
#include "platform/url.h"
#include "server/admission.h"
#include "platform/paths.h"
#include "http/connection_slot.h"
#include "ssi/attributes.h"
#include "ssi/directives.h"
#include "ssi/document.h"

namespace ruz {

namespace {

constexpr const char *kShell = "/bin/sh";

int RunProgram(SsiDocument &document, std::vector<std::string> arguments, HeaderMode mode) {
  if (arguments.empty()) return 0;
  SsiProgram program{std::move(arguments), document.directory, mode};
  return document.output->Run(program, document.variables) == kRunOk ? 1 : 0;
}

int ExecCommand(SsiDocument &document, const std::string &command) {
  if (document.slot->settings->ssinoexeccmd) return 0;
  return RunProgram(document, {kShell, "-c", command}, HeaderMode::kNone);
}

// The request path of a program below the document's folder, as the client
// would ask for it.
std::string ProgramRequestPath(const SsiDocument &document, std::string_view value) {
  std::string_view documentPath = document.request->path;
  documentPath = documentPath.substr(0, documentPath.rfind('/') + 1);
  return CanonicalRequestPath(std::string(documentPath) + "/" + std::string(value));
}

// A sub-request of the document's client: the program's request path must be
// admitted and allowed to run CGI, and the program is not one of the server's
// private files.
bool MayRunProgram(const SsiDocument &document, std::string_view value,
                   const std::string &programPath) {
  const ServerSettings &settings = *document.slot->settings;
  RequestInfo subRequest = *document.request;
  subRequest.path = ProgramRequestPath(document, value);
  return JudgeRequestAccess(settings, subRequest).verdict == PathVerdict::kAdmitted &&
         CgiAndSsiAllowed(settings, subRequest.path) &&
         !IsPrivateFile(*document.shared, GetFileInfo(programPath));
}

// The value is a path below the document's directory, never a way out of it.
int ExecCgi(SsiDocument &document, std::string_view value) {
  if (value.find("..") != std::string_view::npos || value.find(':') != std::string_view::npos) {
    return 0;
  }
  const ServerSettings &settings = *document.slot->settings;
  const std::string programPath =
      PathAppend(std::string_view(document.directory).substr(0, kPathCapacity), value);
  if (!MayRunProgram(document, value, programPath)) return 0;
  const int rule = FindCgiRule(settings, programPath);
  if (rule < 0) return 0;
  return RunProgram(document, ExpandCommandLine(settings.cgiRules[rule].cmdline, programPath, ""),
                    HeaderMode::kDrop);
}

}  // namespace

int SsiExec(SsiDocument &document, std::string_view attributes) {
  std::string value;
  if (GetSsiAttribute(attributes, value, "cmd")) return ExecCommand(document, value);
  if (GetSsiAttribute(attributes, value, "cgi")) return ExecCgi(document, value);
  return 0;
}

}  // namespace ruz
