// The keys of ruz.ini and the members of the settings record they fill.
#include "config/setting_fields.h"

#include <array>
#include <string>

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
    {&field::kRunning, &S::cgiAllowed},
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

// The keys of each list section, in the order the options sheet shows them.
constexpr const SettingField *kCgiKeys[] = {&field::kCgiExtension, &field::kCgiFileHeader,
                                            &field::kCgiCmdLine};
constexpr const SettingField *kAliasKeys[] = {&field::kAliasServerPath, &field::kAliasLocalPath};
constexpr const SettingField *kDenyKeys[] = {&field::kDenyPath, &field::kDenyAllow,
                                             &field::kDenyDeny};
constexpr const SettingField *kErrPageKeys[] = {&field::kErrPageCode, &field::kErrPageFile};
constexpr const SettingField *kMimeKeys[] = {&field::kMimeExtension, &field::kMimeType};
constexpr const SettingField *kUserKeys[] = {&field::kUserName, &field::kUserPassword};
constexpr const SettingField *kAuthKeys[] = {&field::kAuthName, &field::kAuthPath,
                                             &field::kAuthUser};

// The entries of one list, each given by cells in the record's form and
// turned into the file's: lists with commas.
template <typename Entry, std::size_t N>
std::vector<ListRow> FileRows(const std::vector<Entry> &entries,
                              const SettingField *const (&keys)[N],
                              ListRow (*cells)(const Entry &)) {
  std::vector<ListRow> rows;
  for (const Entry &entry : entries) {
    ListRow row = cells(entry);
    for (std::size_t i = 0; i < N; ++i) {
      if (keys[i]->kind == FieldKind::kList) row[i] = CommaForm(row[i]);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<ListRow> CgiRows(const ServerSettings &s) {
  return FileRows<CgiRule>(s.cgiRules, kCgiKeys, [](const CgiRule &r) -> ListRow {
    return {r.extension, r.fileheader, r.cmdline};
  });
}

std::vector<ListRow> AliasRows(const ServerSettings &s) {
  return FileRows<AliasEntry>(s.ruzalias, kAliasKeys, [](const AliasEntry &a) -> ListRow {
    return {a.serverpath, a.localpathAsWritten};
  });
}

std::vector<ListRow> DenyRows(const ServerSettings &s) {
  return FileRows<AccessRule>(s.accessRules, kDenyKeys, [](const AccessRule &r) -> ListRow {
    return {r.path, r.allow, r.deny};
  });
}

std::vector<ListRow> ErrPageRows(const ServerSettings &s) {
  return FileRows<ErrorPageEntry>(s.errorPages, kErrPageKeys,
                                  [](const ErrorPageEntry &e) -> ListRow {
                                    return {std::to_string(e.errcode), e.errfileAsWritten};
                                  });
}

std::vector<ListRow> MimeRows(const ServerSettings &s) {
  return FileRows<MimeEntry>(s.mimeTypes, kMimeKeys, [](const MimeEntry &m) -> ListRow {
    return {m.extension, m.mimetype};
  });
}

std::vector<ListRow> UserRows(const ServerSettings &s) {
  return FileRows<UserEntry>(s.users, kUserKeys, [](const UserEntry &u) -> ListRow {
    return {u.name, u.password};
  });
}

std::vector<ListRow> AuthRows(const ServerSettings &s) {
  return FileRows<AuthRule>(s.authRules, kAuthKeys, [](const AuthRule &r) -> ListRow {
    return {r.name, r.path, r.user};
  });
}

}  // namespace

namespace field {

constinit const ListSection kCgiSection{"cgi", kCgiKeys, CgiRows};
constinit const ListSection kAliasSection{"alias", kAliasKeys, AliasRows};
constinit const ListSection kDenySection{"deny", kDenyKeys, DenyRows};
constinit const ListSection kErrPageSection{"errpage", kErrPageKeys, ErrPageRows};
constinit const ListSection kMimeSection{"mime", kMimeKeys, MimeRows};
constinit const ListSection kUserSection{"user", kUserKeys, UserRows};
constinit const ListSection kAuthSection{"auth", kAuthKeys, AuthRows};

}  // namespace field

std::span<const ListSection *const> ListSections() {
  static constexpr const ListSection *kSections[] = {
      &field::kCgiSection,  &field::kAliasSection, &field::kDenySection, &field::kErrPageSection,
      &field::kMimeSection, &field::kUserSection,  &field::kAuthSection};
  return kSections;
}

std::span<const MainField> MainFields() { return kMainFields; }

const MainField *FindMainField(std::string_view key) {
  for (const MainField &entry : kMainFields) {
    if (EqualsIgnoreCase(entry.field->key, key)) return &entry;
  }
  return nullptr;
}

const MainField *FindMainField(const SettingField &field) {
  for (const MainField &entry : kMainFields) {
    if (entry.field == &field) return &entry;
  }
  return nullptr;
}

int LoadedInt(const SettingField &field, const ServerSettings &settings) {
  const MainField *entry = FindMainField(field);
  return entry != nullptr && entry->integer != nullptr ? settings.*entry->integer : 0;
}

std::string LoadedText(const SettingField &field, const ServerSettings &settings) {
  const MainField *entry = FindMainField(field);
  return entry != nullptr && entry->text != nullptr ? settings.*entry->text : std::string();
}

std::string FileText(const SettingField &field, const ServerSettings &settings) {
  const MainField *entry = FindMainField(field);
  if (entry == nullptr) return {};
  if (entry->integer != nullptr) return std::to_string(settings.*entry->integer);
  if (entry->asWritten != nullptr) return settings.*entry->asWritten;
  if (field.kind == FieldKind::kList || field.kind == FieldKind::kCrLfList) {
    return CommaForm(LoadedText(field, settings));
  }
  return LoadedText(field, settings);
}

std::string FitToField(const SettingField &field, std::string_view text) {
  return CutCp932(text, field.EditLimit());
}

std::string CommaForm(std::string_view list) {
  std::string out;
  out.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == '\r' && i + 1 < list.size() && list[i + 1] == '\n') ++i;
    out += (list[i] == '\r' || list[i] == '\n') ? ',' : list[i];
  }
  return out;
}

}  // namespace ruz
