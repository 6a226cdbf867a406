// Loading the settings record from ruz.ini.
#include "config/settings.h"

#include <algorithm>

#include "config/setting_fields.h"

#include "common/lines.h"
#include "platform/environment.h"
#include "platform/ini.h"
#include "platform/paths.h"

namespace ruz {
namespace {

// Reads one section of the ini document by the keys' table entries.
class SectionReader {
 public:
  SectionReader(const IniDocument &doc, std::string section) : doc_(doc), section_(std::move(section)) {}

  std::string Text(const SettingField &field) const {
    return GetIniString(doc_, section_, field.key, "", field.capacity);
  }
  // A list with its commas turned into CR (CR LF for kCrLfList).
  std::string List(const SettingField &field) const {
    std::string value = Text(field);
    if (value.empty()) value = field.defaultText;
    if (field.kind == FieldKind::kCrLfList) {
      ReplaceAll(value, ",", "\r\n");
    } else {
      ReplaceChar(value, ',', '\r');
    }
    return value;
  }
  // A path whose empty or absent value means the field's default file.
  std::string FileOr(const SettingField &field) const {
    const std::string text = Text(field);
    return ExeRelativePath(text.empty() ? field.defaultText : text);
  }
  int Int(const SettingField &field) const {
    return std::clamp(GetIniInt(doc_, section_, field.key, field.defaultInt), field.minInt,
                      field.maxInt);
  }

 private:
  const IniDocument &doc_;
  std::string section_;
};

int CountSections(const IniDocument &doc, std::string_view prefix) {
  int n = 0;
  while (IniSectionHasEntries(doc, ListSectionName(prefix, n))) ++n;
  return n;
}

// Every entry of one numbered-section table, read by readEntry.
template <typename Entry, typename ReadEntry>
std::vector<Entry> ReadTable(const IniDocument &doc, std::string_view prefix, ReadEntry readEntry) {
  std::vector<Entry> entries;
  int count = CountSections(doc, prefix);
  for (int i = 0; i < count; ++i) {
    entries.push_back(readEntry(SectionReader(doc, ListSectionName(prefix, i))));
  }
  return entries;
}

// An empty srvname takes COMPUTERNAME, and on systems without it the host name.
std::string ServerNameFallback() {
  std::string name;
  if (!GetEnvironmentValue("COMPUTERNAME", name) || name.empty()) name = HostName();
  return name.substr(0, field::kSrvName.EditLimit());
}

void ReadMainField(const SectionReader &r, const MainField &entry, ServerSettings &s) {
  const SettingField &field = *entry.field;
  if (entry.integer != nullptr) {
    s.*entry.integer = r.Int(field);
    return;
  }
  if (entry.text == nullptr) return;
  switch (field.kind) {
    case FieldKind::kList:
    case FieldKind::kCrLfList:
      s.*entry.text = r.List(field);
      break;
    case FieldKind::kPath:
      s.*entry.asWritten = r.Text(field);
      s.*entry.text = ExeRelativePath(s.*entry.asWritten);
      break;
    case FieldKind::kFileOr:
      s.*entry.text = r.FileOr(field);
      break;
    default:
      s.*entry.text = r.Text(field);
  }
}

void ReadMainSection(const IniDocument &doc, ServerSettings &s) {
  SectionReader r(doc, kMainSection);
  for (const MainField &entry : MainFields()) ReadMainField(r, entry, s);
  if (s.srvname.empty()) s.srvname = ServerNameFallback();
}

void ReadTables(const IniDocument &doc, ServerSettings &s) {
  using namespace field;
  s.ruzalias = ReadTable<AliasEntry>(doc, kAliasSection.prefix, [](const SectionReader &r) {
    const std::string localpath = r.Text(kAliasLocalPath);
    return AliasEntry{ExeRelativePath(localpath), r.Text(kAliasServerPath), localpath};
  });
  s.accessRules = ReadTable<AccessRule>(doc, kDenySection.prefix, [](const SectionReader &r) {
    return AccessRule{r.List(kDenyPath), r.List(kDenyAllow), r.List(kDenyDeny)};
  });
  s.mimeTypes = ReadTable<MimeEntry>(doc, kMimeSection.prefix, [](const SectionReader &r) {
    return MimeEntry{r.List(kMimeExtension), r.Text(kMimeType)};
  });
  s.cgiRules = ReadTable<CgiRule>(doc, kCgiSection.prefix, [](const SectionReader &r) {
    return CgiRule{r.List(kCgiExtension), r.Text(kCgiFileHeader), r.Text(kCgiCmdLine)};
  });
  s.errorPages = ReadTable<ErrorPageEntry>(doc, kErrPageSection.prefix, [](const SectionReader &r) {
    const std::string errfile = r.Text(kErrPageFile);
    return ErrorPageEntry{r.Int(kErrPageCode), ExeRelativePath(errfile), errfile};
  });
  s.users = ReadTable<UserEntry>(doc, kUserSection.prefix, [](const SectionReader &r) {
    return UserEntry{r.Text(kUserName), r.Text(kUserPassword)};
  });
  s.authRules = ReadTable<AuthRule>(doc, kAuthSection.prefix, [](const SectionReader &r) {
    return AuthRule{r.Text(kAuthName), r.List(kAuthPath), r.List(kAuthUser)};
  });
}

}  // namespace

const char *const kStandardLogFormat =
    "%Host% - - [%Day%/%MonthString%/%Year%:%Hour%:%Min%:%Sec% +0900] \"%MethodUrl%\" "
    "%ResponseCode% %Bytesd% \"%Referer%\" \"%Ua%\"";

std::string IniPath() { return ExeRelativePath(kIniFileName); }

std::string ListSectionName(std::string_view prefix, int n) {
  return std::string(prefix) + std::to_string(n);
}

bool LoadSettings(ServerSettings &settings) {
  IniDocument doc;
  if (!LoadIniFile(IniPath(), doc)) return false;
  ServerSettings loaded;
  ReadMainSection(doc, loaded);
  ReadTables(doc, loaded);
  settings = std::move(loaded);
  return true;
}

void FreeSettings(ServerSettings &settings) { settings = ServerSettings{}; }

std::string ExeRelativePath(std::string_view path) {
  return PathCombine(ProgramDirectory(), path.substr(0, kMaxPathLength));
}

int CountListSections(std::string_view prefix, std::string_view iniPath) {
  IniDocument doc;
  if (!LoadIniFile(iniPath, doc)) return 0;
  return CountSections(doc, prefix);
}

}  // namespace ruz
