// Starting the server from ruz.ini, at program start and on a restart.
#include "server/start_up.h"

#include "config/root_path.h"
#include "config/settings.h"
#include "platform/text_codes.h"
#include "server/server.h"

namespace ruz {

namespace {

const std::string &LoadFailureText() { return RUZ_CP932("ruz.iniのロードに失敗しました"); }

}  // namespace

bool StartFromSettings(ServerContext &context, FixPlace place, const StartReview &review) {
  ServerSettings &settings = *context.settings;
  const bool loaded = LoadSettings(settings);
  TrimRootSlash(settings.root);  // at program start only, not on a restart
  const std::vector<std::string> warnings =
      loaded ? StartupWarnings(settings, place) : std::vector<std::string>{LoadFailureText()};
  if (!review(warnings)) return false;
  return StartServer(context);
}

bool RestartFromSettings(ServerContext &context) {
  StopServer(context);
  FreeSettings(*context.settings);
  if (!LoadSettings(*context.settings) && context.showWarning != nullptr) {
    context.showWarning(LoadFailureText());
  }
  return StartServer(context);
}

}  // namespace ruz
