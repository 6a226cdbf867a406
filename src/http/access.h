// Per-path admission: host rules, Basic authentication, and the mapping of a
// request path to the file system through aliases or the document root.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;
struct ServerSettings;

/// Whether a check lets the request through.
enum class Admission { kAdmitted, kRefused };

/// The host rules' verdict on the request's client (kAdmitted when no rule
/// decides).
Admission CheckHostAccess(const ServerSettings &settings, const RequestInfo &request);

/// Basic authentication: kAdmitted when the credentials fit (or no rule
/// applies); when kRefused, challenge holds the WWW-Authenticate line of the
/// deciding rule's realm.
Admission CheckBasicAuth(const ServerSettings &settings, const RequestInfo &request,
                         std::string &challenge);

/// True when an authentication rule guards the path.
bool NeedsAuthentication(const ServerSettings &settings, std::string_view path);

/// 1 when an alias applied and wrote localPath, 0 otherwise.
int ApplyAlias(const ServerSettings &settings, std::string &localPath, std::string_view nqp);

/// The file-system path for the request path nqp (alias or document root).
void MapRequestPath(std::string &localPath, std::string_view nqp, const ServerSettings &settings);
void MapRequestPath(std::string &localPath, std::string_view nqp, const ConnectionSlot &slot);

}  // namespace ruz
