// The judgement of a request path, shared by requests and their includes.
#include "server/admission.h"

#include "common/lines.h"
#include "config/private_files.h"
#include "config/settings.h"
#include "http/access.h"
#include "http/request_info.h"
#include "server/pipeline.h"

namespace ruz {

PathJudgement JudgeRequestAccess(const ServerSettings &settings, const RequestInfo &request) {
  PathJudgement judgement;
  if (settings.deny && CheckHostAccess(settings, request)) {
    judgement.verdict = PathVerdict::kHostRefused;
  } else if (!HasValidPathForm(request.path)) {
    judgement.verdict = PathVerdict::kBadPath;
  } else if (settings.auth && !CheckBasicAuth(settings, request, judgement.challenge)) {
    judgement.verdict = PathVerdict::kAuthRequired;
  }
  return judgement;
}

PathJudgement JudgeRequestPath(const ServerSettings &settings, const PrivateFiles &privateFiles,
                               const RequestInfo &request) {
  PathJudgement judgement = JudgeRequestAccess(settings, request);
  if (judgement.verdict != PathVerdict::kAdmitted) return judgement;
  auto refuse = [&](PathVerdict verdict) {
    judgement.verdict = verdict;
    return judgement;
  };
  MapRequestPath(judgement.localPath, request.path, settings);
  judgement.file = GetFileInfo(judgement.localPath);
  if (!judgement.file.exists || privateFiles.Contains(judgement.file)) {
    return refuse(PathVerdict::kNotFound);
  }
  if (judgement.localPath.size() > kMaxLocalPath) return refuse(PathVerdict::kTooLong);
  return judgement;
}

bool CgiAndSsiAllowed(const ServerSettings &settings, std::string_view path) {
  return FindLine(settings.nocgissi, path, true) < 0;
}

}  // namespace ruz
