// Host rules, Basic authentication and the mapping of request paths.
#include "http/access.h"

#include <optional>

#include "common/lines.h"
#include "config/settings.h"
#include "platform/text_codes.h"
#include "platform/wildcard.h"
#include "http/connection_slot.h"
#include "http/request_info.h"

namespace ruz {

namespace {

bool Matches(std::string_view list, std::string_view text) { return FindLine(list, text, true) >= 0; }

enum class RuleVerdict { kRefuse, kAdmit, kNext };

RuleVerdict JudgeHost(const AccessRule &rule, std::string_view addr, std::string_view host,
                      bool names) {
  const bool hasAllow = !rule.allow.empty();
  const bool hasDeny = !rule.deny.empty();
  if (!hasAllow && !hasDeny) return RuleVerdict::kRefuse;
  if (hasAllow && !hasDeny) {
    if (!Matches(rule.allow, addr)) return RuleVerdict::kRefuse;
    if (names && !Matches(rule.allow, host)) return RuleVerdict::kRefuse;
    return RuleVerdict::kAdmit;
  }
  if (!hasAllow) {
    if (Matches(rule.deny, addr)) return RuleVerdict::kRefuse;
    if (names && Matches(rule.deny, host)) return RuleVerdict::kRefuse;
    return RuleVerdict::kNext;
  }
  if (Matches(rule.allow, addr) && Matches(rule.deny, addr)) return RuleVerdict::kRefuse;
  if (names && Matches(rule.allow, host) && Matches(rule.deny, host)) return RuleVerdict::kRefuse;
  return RuleVerdict::kNext;
}

// text as an HTTP quoted string: in double quotes, with " and \ escaped.
std::string QuotedString(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// True when the Authorization value names a user of the rule with the right
// password. The scheme's letter case does not matter; the credentials must be
// well-formed Base64.
bool CredentialsAdmitted(const ServerSettings &settings, const AuthRule &rule,
                         std::string_view authorization) {
  constexpr std::string_view kScheme = "Basic ";
  if (authorization.size() < kScheme.size() ||
      !EqualsIgnoreCase(authorization.substr(0, kScheme.size()), kScheme)) {
    return false;
  }
  std::string_view credentials = authorization.substr(kScheme.size());
  while (credentials.starts_with(' ')) credentials.remove_prefix(1);
  if (!IsWellFormedBase64(credentials)) return false;
  std::string decoded = DecodeBase64ToCp932(credentials);
  std::size_t colon = decoded.find(':');
  if (colon == std::string::npos) return false;
  std::string_view user = std::string_view(decoded).substr(0, colon);
  std::string_view password = std::string_view(decoded).substr(colon + 1);
  if (FindLine(rule.user, user, false) < 0) return false;
  for (const UserEntry &entry : settings.users) {
    if (entry.name == user && entry.password == password) return true;
  }
  return false;
}

}  // namespace

Admission CheckHostAccess(const ServerSettings &settings, const RequestInfo &request) {
  // The name is known only when it was looked up as the connection began.
  const bool names = HostLookupMode(settings) == HostLookup::kEveryConnection;
  for (const AccessRule &rule : settings.accessRules) {
    if (!Matches(rule.path, request.path)) continue;
    switch (JudgeHost(rule, request.remoteAddr, request.remoteHost, names)) {
      case RuleVerdict::kRefuse: return Admission::kRefused;
      case RuleVerdict::kAdmit: return Admission::kAdmitted;
      case RuleVerdict::kNext: break;
    }
  }
  return Admission::kAdmitted;
}

bool NeedsAuthentication(const ServerSettings &settings, std::string_view path) {
  if (!settings.auth) return false;
  for (const AuthRule &rule : settings.authRules) {
    if (Matches(rule.path, path)) return true;
  }
  return false;
}

Admission CheckBasicAuth(const ServerSettings &settings, const RequestInfo &request,
                         std::string &challenge) {
  for (const AuthRule &rule : settings.authRules) {
    // Every item of the path list guards its paths (a list written with commas
    // must not silently guard nothing).
    if (!Matches(rule.path, request.path)) continue;
    if (CredentialsAdmitted(settings, rule, request.authorization)) return Admission::kAdmitted;
    challenge = "WWW-Authenticate: Basic realm=" + QuotedString(rule.name);
    return Admission::kRefused;
  }
  return Admission::kAdmitted;
}

namespace {

// The alias's server path without its final "/", when path lies inside it: a
// server path ending in "/" covers the paths that begin with it; one without
// covers the path equal to it and the paths that go on with "/".
std::optional<std::string_view> AliasBase(std::string_view serverpath, std::string_view path) {
  const bool folderForm = serverpath.ends_with('/');
  const std::string_view base = folderForm ? serverpath.substr(0, serverpath.size() - 1) : serverpath;
  if (path.size() < base.size() || !EqualsIgnoreCase(path.substr(0, base.size()), base)) {
    return std::nullopt;
  }
  const std::string_view rest = path.substr(base.size());
  if (rest.empty() ? folderForm : rest.front() != '/') return std::nullopt;
  return base;
}

}  // namespace

int ApplyAlias(const ServerSettings &settings, std::string &localPath, std::string_view nqp) {
  for (const AliasEntry &alias : settings.ruzalias) {
    const std::optional<std::string_view> base = AliasBase(alias.serverpath, nqp);
    if (!base) continue;
    // The rest begins with "/" (or is empty), so one "/" joins it to the folder.
    std::string_view folder = alias.localpath;
    while (folder.ends_with('/')) folder.remove_suffix(1);
    localPath = folder;
    localPath += nqp.substr(base->size());
    return 1;
  }
  return 0;
}

void MapRequestPath(std::string &localPath, std::string_view nqp, const ConnectionSlot &slot) {
  MapRequestPath(localPath, nqp, *slot.settings);
}

void MapRequestPath(std::string &localPath, std::string_view nqp, const ServerSettings &settings) {
  if (settings.alias && ApplyAlias(settings, localPath, nqp)) return;
  // The local separator is "/", so the request path joins the root unchanged.
  localPath = settings.root;
  localPath += nqp;
}

}  // namespace ruz
