// The judgement of a request path, shared by requests and their includes.
#include "server/admission.h"

#include "common/lines.h"
#include "config/settings.h"
#include "http/access.h"
#include "http/request_info.h"
#include "http/server_shared.h"
#include "platform/paths.h"
#include "server/pipeline.h"

namespace ruz {

PathJudgement JudgeRequestAccess(const ServerSettings &settings, const RequestInfo &request) {
  PathJudgement judgement;
  if (settings.deny && CheckHostAccess(settings, request) == Admission::kRefused) {
    judgement.verdict = PathVerdict::kHostRefused;
  } else if (!HasValidPathForm(request.path)) {
    judgement.verdict = PathVerdict::kBadPath;
  } else if (settings.auth &&
             CheckBasicAuth(settings, request, judgement.challenge) == Admission::kRefused) {
    judgement.verdict = PathVerdict::kAuthRequired;
  }
  return judgement;
}

FileInfo LookUpFile(const ServerShared &shared, const std::string &path) {
  if (shared.files == nullptr) return GetFileInfo(path);
  return shared.files->Look(path).info;
}

PathJudgement JudgeRequestPath(const ServerShared &shared, const RequestInfo &request) {
  const ServerSettings &settings = shared.settings;
  PathJudgement judgement = JudgeRequestAccess(settings, request);
  if (judgement.verdict != PathVerdict::kAdmitted) return judgement;
  auto refuse = [&](PathVerdict verdict) {
    judgement.verdict = verdict;
    return judgement;
  };
  MapRequestPath(judgement.localPath, request.path, settings);
  judgement.file = LookUpFile(shared, judgement.localPath);
  if (!judgement.file.exists || IsPrivateFile(shared, judgement.file)) {
    return refuse(PathVerdict::kNotFound);
  }
  if (judgement.localPath.size() > kMaxPathLength) return refuse(PathVerdict::kTooLong);
  return judgement;
}

bool CgiAndSsiAllowed(const ServerSettings &settings, std::string_view path) {
  return FindLine(settings.nocgissi, path, true) < 0;
}

}  // namespace ruz
