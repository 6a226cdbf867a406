// Loading the settings record from ruz.ini.
#include "config/settings.h"

#include <algorithm>

#include "common/lines.h"
#include "platform/environment.h"
#include "platform/ini.h"
#include "platform/paths.h"

namespace ruz {
namespace {

constexpr std::size_t kText = 255;
constexpr std::size_t kPath = 260;
constexpr std::size_t kLogFormat = 1024;
constexpr std::size_t kNoCgiSsiRead = 512;
constexpr std::string_view kDefaultTlsCert = "ruz-cert.pem";
constexpr std::string_view kDefaultTlsKey = "ruz-key.pem";
// The status page shows clients and paths, so it never becomes public by omission.
constexpr std::string_view kDefaultStatusAllow = "127.0.0.1\r::1";

// Reads one section of the ini document with the field capacities.
class SectionReader {
 public:
  SectionReader(const IniDocument &doc, std::string section) : doc_(doc), section_(std::move(section)) {}

  std::string Text(std::string_view key, std::size_t capacity) const {
    return GetIniString(doc_, section_, key, "", capacity);
  }
  // A comma-separated list with its commas turned into CR.
  std::string List(std::string_view key, std::size_t capacity) const {
    std::string value = Text(key, capacity);
    ReplaceChar(value, ',', '\r');
    return value;
  }
  // A path whose empty or absent value means a file of the program directory.
  std::string PathOr(std::string_view key, std::string_view fallback) const {
    const std::string text = Text(key, kPath);
    return ExeRelativePath(text.empty() ? fallback : text);
  }
  int Int(std::string_view key, int fallback = 0) const {
    return GetIniInt(doc_, section_, key, fallback);
  }

 private:
  const IniDocument &doc_;
  std::string section_;
};

std::string SectionName(std::string_view prefix, int n) {
  return std::string(prefix) + std::to_string(n);
}

int CountSections(const IniDocument &doc, std::string_view prefix) {
  int n = 0;
  while (IniSectionHasEntries(doc, SectionName(prefix, n))) ++n;
  return n;
}

// Every entry of one numbered-section table, read by readEntry.
template <typename Entry, typename ReadEntry>
std::vector<Entry> ReadTable(const IniDocument &doc, std::string_view prefix, ReadEntry readEntry) {
  std::vector<Entry> entries;
  int count = CountSections(doc, prefix);
  for (int i = 0; i < count; ++i) {
    entries.push_back(readEntry(SectionReader(doc, SectionName(prefix, i))));
  }
  return entries;
}

// An empty srvname takes COMPUTERNAME, and on systems without it the host name.
std::string ServerNameFallback() {
  std::string name;
  if (!GetEnvironmentValue("COMPUTERNAME", name) || name.empty()) name = HostName();
  return name.substr(0, kText - 1);
}

void ReadMainSection(const IniDocument &doc, ServerSettings &s) {
  SectionReader r(doc, kMainSection);
  s.srvname = r.Text("srvname", kText);
  if (s.srvname.empty()) s.srvname = ServerNameFallback();
  s.port = r.Int("port");
  s.rootAsWritten = r.Text("root", kPath);
  s.root = ExeRelativePath(s.rootAsWritten);
  s.defmime = r.Text("defmime", kText);
  s.index = r.List("index", kText);
  s.filelist = r.Int("filelist");
  s.logwrite = r.Int("logwrite");
  s.logformat = r.Text("logformat", kLogFormat);
  s.mem = r.Int("mem");
  s.bufmax = r.Int("bufmax");
  s.lognameAsWritten = r.Text("logname", kPath);
  s.logname = ExeRelativePath(s.lognameAsWritten);
  s.running = r.Int("running");
  s.ssi = r.Int("ssi");
  s.ssiexts = r.List("ssiexts", kText);
  s.ssisizelimit = r.Int("ssisizelimit", 65535);
  s.ssinoexeccmd = r.Int("ssinoexeccmd");
  s.nocgissi = r.Text("nocgissi", kNoCgiSsiRead);
  ReplaceAll(s.nocgissi, ",", "\r\n");
  s.auth = r.Int("auth");
  s.alias = r.Int("alias");
  s.deny = r.Int("deny");
  s.errpage = r.Int("errpage");
  s.dnsopt = r.Int("dnsopt");
  s.connecttimeout = r.Int("connecttimeout", 300000);
  s.processtimeout = r.Int("processtimeout", 300000);
  s.maxconnect = r.Int("maxconnect");
  s.autoupdatecheck = r.Int("autoupdatecheck");
  s.sendwait = r.Int("sendwait", 20);
  s.stopwait = r.Int("stopwait", 10000);
  s.bindaddress = r.Text("bindaddress", kText);
  s.tlsport = r.Int("tlsport");
  s.tlscert = r.PathOr("tlscert", kDefaultTlsCert);
  s.tlskey = r.PathOr("tlskey", kDefaultTlsKey);
  s.keepalive = std::clamp(r.Int("keepalive"), 0, kMaxKeepAliveSeconds);
  s.statuspath = r.Text("statuspath", kPath);
  s.statusallow = r.List("statusallow", kText);
  if (s.statusallow.empty()) s.statusallow = kDefaultStatusAllow;
  s.trafficpanel = r.Int("trafficpanel");
}

void ReadTables(const IniDocument &doc, ServerSettings &s) {
  s.ruzalias = ReadTable<AliasEntry>(doc, "alias", [](const SectionReader &r) {
    const std::string localpath = r.Text("localpath", kPath);
    return AliasEntry{ExeRelativePath(localpath), r.Text("serverpath", kPath), localpath};
  });
  s.accessRules = ReadTable<AccessRule>(doc, "deny", [](const SectionReader &r) {
    return AccessRule{r.List("path", kPath), r.List("allow", kText), r.List("deny", kText)};
  });
  s.mimeTypes = ReadTable<MimeEntry>(doc, "mime", [](const SectionReader &r) {
    return MimeEntry{r.List("extension", kText), r.Text("mimetype", kText)};
  });
  s.cgiRules = ReadTable<CgiRule>(doc, "cgi", [](const SectionReader &r) {
    return CgiRule{r.List("extension", kText), r.Text("fileheader", kText), r.Text("cmdline", kText)};
  });
  s.errorPages = ReadTable<ErrorPageEntry>(doc, "errpage", [](const SectionReader &r) {
    const std::string errfile = r.Text("errfile", kPath);
    return ErrorPageEntry{r.Int("errcode"), ExeRelativePath(errfile), errfile};
  });
  s.users = ReadTable<UserEntry>(doc, "user", [](const SectionReader &r) {
    return UserEntry{r.Text("name", kText), r.Text("password", kText)};
  });
  s.authRules = ReadTable<AuthRule>(doc, "auth", [](const SectionReader &r) {
    return AuthRule{r.Text("name", kText), r.List("path", kPath), r.List("user", kText)};
  });
}

}  // namespace

const char *const kStandardLogFormat =
    "%Host% - - [%Day%/%MonthString%/%Year%:%Hour%:%Min%:%Sec% +0900] \"%MethodUrl%\" "
    "%ResponseCode% %Bytesd% \"%Referer%\" \"%Ua%\"";

std::string IniPath() { return ExeRelativePath(kIniFileName); }

int LoadSettings(ServerSettings &settings) {
  IniDocument doc;
  if (!LoadIniFile(IniPath(), doc)) return 1;
  ServerSettings loaded;
  ReadMainSection(doc, loaded);
  ReadTables(doc, loaded);
  settings = std::move(loaded);
  return 0;
}

void FreeSettings(ServerSettings &settings) { settings = ServerSettings{}; }

std::string ExeRelativePath(std::string_view path) {
  return PathCombine(ProgramDirectory(), path.substr(0, kPath - 1));
}

int CountListSections(std::string_view prefix, std::string_view iniPath) {
  IniDocument doc;
  if (!LoadIniFile(iniPath, doc)) return 0;
  return CountSections(doc, prefix);
}

int DeleteListSectionsFrom(std::string_view prefix, int first, std::string_view iniPath) {
  IniDocument doc;
  if (!LoadIniFile(iniPath, doc)) return 0;
  int deleted = 0;
  for (int n = first; IniSectionHasEntries(doc, SectionName(prefix, n)); ++n) {
    if (!DeleteIniSection(iniPath, SectionName(prefix, n))) break;
    ++deleted;
  }
  return deleted;
}

void WriteIntSetting(std::string_view section, std::string_view key, int value,
                     std::string_view iniPath) {
  WriteIniString(iniPath, section, key, std::to_string(value));
}

}  // namespace ruz
