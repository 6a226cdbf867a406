// Every key of ruz.ini in one place: its name, its kind, how long its text may
// be, its default and, for the main section, where it lives in the settings
// record. The loader, the writer and the options sheet all read these, so a
// key or a limit is spelled exactly once.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "config/settings.h"
#include "platform/paths.h"

namespace ruz {

/// How a key's text becomes a value.
enum class FieldKind {
  kInteger,  // optional sign, then decimal digits (ParseIniInt)
  kFlag,     // an integer read as on (not 0) or off
  kText,     // as written, cut to the capacity
  kList,     // comma-separated items, kept with CR between items
  kCrLfList, // comma-separated items, kept with CR LF between items
  kPath,     // a path resolved against the program folder; the text as written is kept too
  kFileOr,   // a path whose empty or absent value means a default file of the program folder
};

/// One key. capacity counts the terminating byte of the original fixed buffers,
/// so a value holds at most capacity - 1 bytes (EditLimit()).
struct SettingField {
  std::string_view key;
  FieldKind kind = FieldKind::kInteger;
  std::size_t capacity = 0;
  int defaultInt = 0;
  std::string_view defaultText = {};
  /// Integers are clamped to [minInt, maxInt] when loaded.
  int minInt = kIntLowest;
  int maxInt = kIntHighest;

  static constexpr int kIntLowest = -2147483647 - 1;
  static constexpr int kIntHighest = 2147483647;

  /// The most bytes an edit of this key accepts.
  constexpr std::size_t EditLimit() const { return capacity == 0 ? 0 : capacity - 1; }
};

/// The capacities of the original fixed buffers.
inline constexpr std::size_t kTextCapacity = 255;
inline constexpr std::size_t kPathCapacity = kMaxPathLength + 1;
inline constexpr std::size_t kNumberCapacity = 64;
inline constexpr std::size_t kLogFormatCapacity = 1024;
inline constexpr std::size_t kNoCgiSsiCapacity = 512;

namespace field {

// [RUZ]
inline constexpr SettingField kSrvName{"srvname", FieldKind::kText, kTextCapacity};
inline constexpr SettingField kPort{"port", FieldKind::kInteger, kNumberCapacity};
inline constexpr SettingField kRoot{"root", FieldKind::kPath, kPathCapacity};
inline constexpr SettingField kDefMime{"defmime", FieldKind::kText, kTextCapacity};
inline constexpr SettingField kIndex{"index", FieldKind::kList, kTextCapacity};
inline constexpr SettingField kFileList{"filelist", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kLogWrite{"logwrite", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kLogFormat{"logformat", FieldKind::kText, kLogFormatCapacity};
inline constexpr SettingField kMem{"mem", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kBufMax{"bufmax", FieldKind::kInteger, kTextCapacity};
inline constexpr SettingField kLogName{"logname", FieldKind::kPath, kPathCapacity};
inline constexpr SettingField kRunning{"running", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kSsi{"ssi", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kSsiExts{"ssiexts", FieldKind::kList, kTextCapacity};
inline constexpr SettingField kSsiSizeLimit{"ssisizelimit", FieldKind::kInteger, kNumberCapacity,
                                            65535};
inline constexpr SettingField kSsiNoExecCmd{"ssinoexeccmd", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kNoCgiSsi{"nocgissi", FieldKind::kCrLfList, kNoCgiSsiCapacity};
inline constexpr SettingField kAuth{"auth", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kAlias{"alias", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kDeny{"deny", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kErrPage{"errpage", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kDnsOpt{"dnsopt", FieldKind::kInteger, kNumberCapacity};
inline constexpr SettingField kConnectTimeout{"connecttimeout", FieldKind::kInteger,
                                              kNumberCapacity, 300000};
inline constexpr SettingField kProcessTimeout{"processtimeout", FieldKind::kInteger,
                                              kNumberCapacity, 300000};
inline constexpr SettingField kMaxConnect{"maxconnect", FieldKind::kInteger, kNumberCapacity};
inline constexpr SettingField kAutoUpdateCheck{"autoupdatecheck", FieldKind::kFlag,
                                               kNumberCapacity};
inline constexpr SettingField kSendWait{"sendwait", FieldKind::kInteger, kNumberCapacity, 20};
inline constexpr SettingField kStopWait{"stopwait", FieldKind::kInteger, kNumberCapacity, 10000};
inline constexpr SettingField kBindAddress{"bindaddress", FieldKind::kText, kTextCapacity};
inline constexpr SettingField kTlsPort{"tlsport", FieldKind::kInteger, kNumberCapacity};
inline constexpr SettingField kTlsCert{"tlscert", FieldKind::kFileOr, kPathCapacity, 0,
                                       "ruz-cert.pem"};
inline constexpr SettingField kTlsKey{"tlskey", FieldKind::kFileOr, kPathCapacity, 0,
                                      "ruz-key.pem"};
inline constexpr SettingField kKeepAlive{"keepalive", FieldKind::kInteger, kNumberCapacity, 0, {},
                                         0, kMaxKeepAliveSeconds};
inline constexpr SettingField kStatusPath{"statuspath", FieldKind::kText, kPathCapacity};
// The status page shows clients and paths, so it never becomes public by omission:
// an empty or absent list means the loopback addresses.
inline constexpr SettingField kStatusAllow{"statusallow", FieldKind::kList, kTextCapacity, 0,
                                           "127.0.0.1,::1"};
// Written by the window, never read by the server.
inline constexpr SettingField kTrafficPanel{"trafficpanel", FieldKind::kFlag, kNumberCapacity};
inline constexpr SettingField kUpdateHost{"updatehost", FieldKind::kText, 256};
inline constexpr SettingField kWindowX{"windowx", FieldKind::kInteger, kNumberCapacity};
inline constexpr SettingField kWindowY{"windowy", FieldKind::kInteger, kNumberCapacity};
inline constexpr SettingField kWindowWidth{"windowwidth", FieldKind::kInteger, kNumberCapacity};
inline constexpr SettingField kWindowHeight{"windowheight", FieldKind::kInteger, kNumberCapacity};

// The numbered list sections: [cgi0], [alias0], … and their keys.
inline constexpr std::string_view kCgiSection = "cgi";
inline constexpr SettingField kCgiExtension{"extension", FieldKind::kList, kTextCapacity};
inline constexpr SettingField kCgiFileHeader{"fileheader", FieldKind::kText, kTextCapacity};
inline constexpr SettingField kCgiCmdLine{"cmdline", FieldKind::kText, kTextCapacity};

inline constexpr std::string_view kAliasSection = "alias";
inline constexpr SettingField kAliasLocalPath{"localpath", FieldKind::kPath, kPathCapacity};
inline constexpr SettingField kAliasServerPath{"serverpath", FieldKind::kText, kPathCapacity};

inline constexpr std::string_view kDenySection = "deny";
inline constexpr SettingField kDenyPath{"path", FieldKind::kList, kPathCapacity};
inline constexpr SettingField kDenyAllow{"allow", FieldKind::kList, kTextCapacity};
inline constexpr SettingField kDenyDeny{"deny", FieldKind::kList, kTextCapacity};

inline constexpr std::string_view kMimeSection = "mime";
inline constexpr SettingField kMimeExtension{"extension", FieldKind::kList, kTextCapacity};
inline constexpr SettingField kMimeType{"mimetype", FieldKind::kText, kTextCapacity};

inline constexpr std::string_view kErrPageSection = "errpage";
inline constexpr SettingField kErrPageCode{"errcode", FieldKind::kInteger, kNumberCapacity};
inline constexpr SettingField kErrPageFile{"errfile", FieldKind::kPath, kPathCapacity};

inline constexpr std::string_view kUserSection = "user";
inline constexpr SettingField kUserName{"name", FieldKind::kText, kTextCapacity};
inline constexpr SettingField kUserPassword{"password", FieldKind::kText, kTextCapacity};

inline constexpr std::string_view kAuthSection = "auth";
inline constexpr SettingField kAuthName{"name", FieldKind::kText, kTextCapacity};
inline constexpr SettingField kAuthPath{"path", FieldKind::kList, kPathCapacity};
inline constexpr SettingField kAuthUser{"user", FieldKind::kList, kTextCapacity};

}  // namespace field

/// A main-section key and the member of ServerSettings it fills: an integer
/// member, or a text member (with, for paths, the member that keeps the text
/// as written). Keys the server never reads have neither.
struct MainField {
  const SettingField *field;
  int ServerSettings::*integer = nullptr;
  std::string ServerSettings::*text = nullptr;
  std::string ServerSettings::*asWritten = nullptr;
};

/// Every key of [RUZ], in the order of the settings record.
std::span<const MainField> MainFields();

/// The main-section entry of a key (letter case ignored), or nullptr.
const MainField *FindMainField(std::string_view key);

}  // namespace ruz
