// How a request path is judged before anything is served for it: host rules,
// the path's form, Basic authentication, aliases or the document root, and the
// server's private files. The connection pipeline and server-side includes
// (a sub-request of the document's request) use the same judgement.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace ruz {

struct RequestInfo;
struct ServerShared;
struct ServerSettings;

enum class PathVerdict {
  kAdmitted,
  kHostRefused,   // 403
  kBadPath,       // 400: not canonical, "..", control bytes
  kAuthRequired,  // 401, with the challenge line
  kNotFound,      // 404: no such file, or a private one
  kTooLong,       // 400: the local path exceeds the limit
};

struct PathJudgement {
  PathVerdict verdict = PathVerdict::kAdmitted;
  std::string challenge;  // the WWW-Authenticate line for kAuthRequired
  std::string localPath;  // where the path maps (set from kNotFound on)
  FileInfo file;          // what is there
};

/// The steps that need no file system: host rules, the path's form and Basic
/// authentication of request.path with the request's peer and credentials.
PathJudgement JudgeRequestAccess(const ServerSettings &settings, const RequestInfo &request);

/// What the path names now, through the start's file cache when it has one.
FileInfo LookUpFile(const ServerShared &shared, const std::string &path);

/// JudgeRequestAccess with the start's settings, then the mapping through
/// aliases or the document root, and the file found there (a private file of
/// the start is not found).
PathJudgement JudgeRequestPath(const ServerShared &shared, const RequestInfo &request);

/// CGI programs run and SSI documents are processed under this request path
/// (nocgissi does not name it).
bool CgiAndSsiAllowed(const ServerSettings &settings, std::string_view path);

}  // namespace ruz
