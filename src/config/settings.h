// The settings record loaded from ruz.ini, and the operations around it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ruz {

// Lists ("list" fields) hold their items separated by CR ("\r"); nocgissi by CR LF.

struct AliasEntry {
  std::string localpath;   // resolved against the program directory
  std::string serverpath;
  std::string localpathAsWritten;  // the ini text, which the options sheet edits
};

struct AccessRule {
  std::string path;   // list of wildcard patterns
  std::string allow;  // list of host patterns
  std::string deny;   // list of host patterns
};

struct MimeEntry {
  std::string extension;  // list, each item with its dot
  std::string mimetype;
};

struct CgiRule {
  std::string extension;  // list
  std::string fileheader;
  std::string cmdline;
};

struct ErrorPageEntry {
  int errcode = 0;
  std::string errfile;  // resolved against the program directory
  std::string errfileAsWritten;  // the ini text, which the options sheet edits
};

struct UserEntry {
  std::string name;
  std::string password;
};

struct AuthRule {
  std::string name;  // the realm
  std::string path;  // list of wildcard patterns
  std::string user;  // list of user names
};

/// The most connections served at once, whatever maxconnect says.
inline constexpr int kMaxUsableSlots = 64;

struct ServerSettings {
  std::string srvname;
  int port = 0;
  std::string root;
  std::string defmime;
  std::string index;
  int filelist = 0;
  int logwrite = 0;
  std::string logformat;
  int mem = 0;
  int bufmax = 0;
  std::string logname;
  int cgiAllowed = 0;  // the key "running"
  int ssi = 0;
  std::string ssiexts;
  int ssisizelimit = 0;
  int ssinoexeccmd = 0;
  std::string nocgissi;
  int auth = 0;
  int alias = 0;
  int deny = 0;
  int errpage = 0;
  int dnsopt = 0;  // a HostLookup by its number (see HostLookupMode)
  int connecttimeout = 0;
  int processtimeout = 0;
  int maxconnect = 0;
  int autoupdatecheck = 0;
  int sendwait = 0;  // ms pause after every full 64 KiB piece of a file body
  int stopwait = 0;  // ms a stop gives responses under way before cutting them off
  /// Where the listeners bind: "" every local address (IPv4 and IPv6), a
  /// literal address, or "localhost" (both loopback addresses).
  std::string bindaddress;
  int tlsport = 0;      // the HTTPS listener's port; 0: no HTTPS
  std::string tlscert;  // PEM certificate, resolved against the program directory
  std::string tlskey;   // PEM private key, resolved against the program directory
  /// Seconds a connection waits for its next request after a response; 0: one
  /// request per connection ("Connection: Close").
  int keepalive = 0;
  /// The path of the live status page ("/server-status"); empty: no page.
  std::string statuspath;
  /// Host patterns (list) of the clients the status page is shown to; an
  /// empty or absent key means this computer only.
  std::string statusallow;
  int trafficpanel = 0;  // the window shows its traffic panel

  // root and logname are resolved against the program directory; the options
  // sheet shows and saves the text as it stands in the file, so that a relative
  // path stays relative.
  std::string rootAsWritten;
  std::string lognameAsWritten;

  std::vector<AliasEntry> ruzalias;
  std::vector<AccessRule> accessRules;
  std::vector<MimeEntry> mimeTypes;
  std::vector<CgiRule> cgiRules;
  std::vector<ErrorPageEntry> errorPages;
  std::vector<UserEntry> users;
  std::vector<AuthRule> authRules;
};

/// When the client's host name is looked up, by dnsopt's number: never (the
/// address stands for it), for CGI's REMOTE_HOST only, or as every connection
/// begins (for the log, the host rules and REMOTE_HOST). Any other number in
/// ruz.ini looks nothing up and gives CGI no REMOTE_HOST.
enum class HostLookup : int { kNever = 0, kForCgiOnly = 1, kEveryConnection = 2 };

inline HostLookup HostLookupMode(const ServerSettings &settings) {
  return static_cast<HostLookup>(settings.dnsopt);
}

/// The longest wait for a connection's next request that keepalive may set.
inline constexpr int kMaxKeepAliveSeconds = 300;

/// The main section's name and the ini file's path (ruz.ini in the program directory).
inline constexpr const char *kMainSection = "RUZ";
std::string IniPath();

/// The standard access-log format (the options editor's "restore default").
extern const char *const kStandardLogFormat;

/// True when loaded; false when ruz.ini cannot be read (the record is left as
/// it was).
[[nodiscard]] bool LoadSettings(ServerSettings &settings);

/// Back to the never-loaded state: empty texts, zero integers, empty tables.
void FreeSettings(ServerSettings &settings);

/// path resolved against the program directory (cut to kMaxPathLength bytes first);
/// absolute paths stay, "." and ".." are resolved, "" gives the directory.
std::string ExeRelativePath(std::string_view path);

/// The name of section n of a numbered list: prefix followed by n ("alias0").
std::string ListSectionName(std::string_view prefix, int n);

/// The number of consecutive sections prefix0, prefix1, … that exist and hold
/// at least one entry.
int CountListSections(std::string_view prefix, std::string_view iniPath);

}  // namespace ruz
