// The main section's keys and the members of the settings record they fill.
#include "config/setting_fields.h"

#include <array>

#include "platform/text_codes.h"

namespace ruz {

namespace {

using S = ServerSettings;

const std::array<MainField, 41> kMainFields{{
    {&field::kSrvName, nullptr, &S::srvname},
    {&field::kPort, &S::port},
    {&field::kRoot, nullptr, &S::root, &S::rootAsWritten},
    {&field::kDefMime, nullptr, &S::defmime},
    {&field::kIndex, nullptr, &S::index},
    {&field::kFileList, &S::filelist},
    {&field::kLogWrite, &S::logwrite},
    {&field::kLogFormat, nullptr, &S::logformat},
    {&field::kMem, &S::mem},
    {&field::kBufMax, &S::bufmax},
    {&field::kLogName, nullptr, &S::logname, &S::lognameAsWritten},
    {&field::kRunning, &S::running},
    {&field::kSsi, &S::ssi},
    {&field::kSsiExts, nullptr, &S::ssiexts},
    {&field::kSsiSizeLimit, &S::ssisizelimit},
    {&field::kSsiNoExecCmd, &S::ssinoexeccmd},
    {&field::kNoCgiSsi, nullptr, &S::nocgissi},
    {&field::kAuth, &S::auth},
    {&field::kAlias, &S::alias},
    {&field::kDeny, &S::deny},
    {&field::kErrPage, &S::errpage},
    {&field::kDnsOpt, &S::dnsopt},
    {&field::kConnectTimeout, &S::connecttimeout},
    {&field::kProcessTimeout, &S::processtimeout},
    {&field::kMaxConnect, &S::maxconnect},
    {&field::kAutoUpdateCheck, &S::autoupdatecheck},
    {&field::kSendWait, &S::sendwait},
    {&field::kStopWait, &S::stopwait},
    {&field::kBindAddress, nullptr, &S::bindaddress},
    {&field::kTlsPort, &S::tlsport},
    {&field::kTlsCert, nullptr, &S::tlscert},
    {&field::kTlsKey, nullptr, &S::tlskey},
    {&field::kKeepAlive, &S::keepalive},
    {&field::kStatusPath, nullptr, &S::statuspath},
    {&field::kStatusAllow, nullptr, &S::statusallow},
    {&field::kTrafficPanel, &S::trafficpanel},
    {&field::kUpdateHost},
    {&field::kWindowX},
    {&field::kWindowY},
    {&field::kWindowWidth},
    {&field::kWindowHeight},
}};

}  // namespace

std::span<const MainField> MainFields() { return kMainFields; }

const MainField *FindMainField(std::string_view key) {
  for (const MainField &entry : kMainFields) {
    if (EqualsIgnoreCase(entry.field->key, key)) return &entry;
  }
  return nullptr;
}

}  // namespace ruz
