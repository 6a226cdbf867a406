// Every key of ruz.ini in one place: its name, its kind, how long its text may
// be, its default and, for the main section, where it lives in the settings
// record. The loader, the writer and the options sheet all read these, so a
// key or a limit is spelled exactly once.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

/// Where the operator changes a key: on a page of the options sheet, through
/// the main window (its menu ticks and its place on the screen), or only by
/// editing ruz.ini.
enum class EditedIn { kOptionsSheet, kWindow, kFileOnly };

/// One key. capacity counts the terminating byte of the original fixed buffers,
/// so a value holds at most capacity - 1 bytes (EditLimit()).
struct SettingField {
  std::string_view key;
  FieldKind kind = FieldKind::kInteger;
  std::size_t capacity = 0;
  EditedIn editedIn = EditedIn::kFileOnly;
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
inline constexpr std::size_t kNumberCapacity = 64;
inline constexpr std::size_t kLogFormatCapacity = 1024;
inline constexpr std::size_t kNoCgiSsiCapacity = 512;

namespace field {

// Short names for the table's rows below.
inline constexpr EditedIn kSheet = EditedIn::kOptionsSheet;
inline constexpr EditedIn kWindow = EditedIn::kWindow;
inline constexpr EditedIn kFile = EditedIn::kFileOnly;

// [RUZ]
inline constexpr SettingField kSrvName{"srvname", FieldKind::kText, kTextCapacity, kSheet};
inline constexpr SettingField kPort{"port", FieldKind::kInteger, kNumberCapacity, kSheet};
inline constexpr SettingField kRoot{"root", FieldKind::kPath, kPathCapacity, kSheet};
inline constexpr SettingField kDefMime{"defmime", FieldKind::kText, kTextCapacity, kSheet};
inline constexpr SettingField kIndex{"index", FieldKind::kList, kTextCapacity, kSheet};
inline constexpr SettingField kFileList{"filelist", FieldKind::kFlag, kNumberCapacity, kSheet};
inline constexpr SettingField kLogWrite{"logwrite", FieldKind::kFlag, kNumberCapacity, kSheet};
inline constexpr SettingField kLogFormat{"logformat", FieldKind::kText, kLogFormatCapacity, kSheet};
inline constexpr SettingField kMem{"mem", FieldKind::kFlag, kNumberCapacity, kSheet};
inline constexpr SettingField kBufMax{"bufmax", FieldKind::kInteger, kTextCapacity, kSheet};
inline constexpr SettingField kLogName{"logname", FieldKind::kPath, kPathCapacity, kSheet};
inline constexpr SettingField kRunning{"running", FieldKind::kFlag, kNumberCapacity, kSheet};
inline constexpr SettingField kSsi{"ssi", FieldKind::kFlag, kNumberCapacity, kSheet};
inline constexpr SettingField kSsiExts{"ssiexts", FieldKind::kList, kTextCapacity, kSheet};
inline constexpr SettingField kSsiSizeLimit{"ssisizelimit", FieldKind::kInteger, kNumberCapacity,
                                            kFile, 65535};
inline constexpr SettingField kSsiNoExecCmd{"ssinoexeccmd", FieldKind::kFlag, kNumberCapacity,
                                            kSheet};
inline constexpr SettingField kNoCgiSsi{"nocgissi", FieldKind::kCrLfList, kNoCgiSsiCapacity,
                                        kSheet};
inline constexpr SettingField kAuth{"auth", FieldKind::kFlag, kNumberCapacity, kSheet};
inline constexpr SettingField kAlias{"alias", FieldKind::kFlag, kNumberCapacity, kSheet};
inline constexpr SettingField kDeny{"deny", FieldKind::kFlag, kNumberCapacity, kSheet};
inline constexpr SettingField kErrPage{"errpage", FieldKind::kFlag, kNumberCapacity, kSheet};
inline constexpr SettingField kDnsOpt{"dnsopt", FieldKind::kInteger, kNumberCapacity, kSheet};
inline constexpr SettingField kConnectTimeout{"connecttimeout", FieldKind::kInteger,
                                              kNumberCapacity, kFile, 300000};
inline constexpr SettingField kProcessTimeout{"processtimeout", FieldKind::kInteger,
                                              kNumberCapacity, kFile, 300000};
inline constexpr SettingField kMaxConnect{"maxconnect", FieldKind::kInteger, kNumberCapacity,
                                          kSheet};
inline constexpr SettingField kAutoUpdateCheck{"autoupdatecheck", FieldKind::kFlag,
                                               kNumberCapacity, kWindow};
inline constexpr SettingField kSendWait{"sendwait", FieldKind::kInteger, kNumberCapacity, kFile,
                                        20};
inline constexpr SettingField kStopWait{"stopwait", FieldKind::kInteger, kNumberCapacity, kFile,
                                        10000};
inline constexpr SettingField kBindAddress{"bindaddress", FieldKind::kText, kTextCapacity, kFile};
inline constexpr SettingField kTlsPort{"tlsport", FieldKind::kInteger, kNumberCapacity, kFile};
inline constexpr SettingField kTlsCert{"tlscert", FieldKind::kFileOr, kPathCapacity, kFile, 0,
                                       "ruz-cert.pem"};
inline constexpr SettingField kTlsKey{"tlskey", FieldKind::kFileOr, kPathCapacity, kFile, 0,
                                      "ruz-key.pem"};
inline constexpr SettingField kKeepAlive{"keepalive", FieldKind::kInteger, kNumberCapacity, kSheet,
                                         0, {}, 0, kMaxKeepAliveSeconds};
inline constexpr SettingField kStatusPath{"statuspath", FieldKind::kText, kPathCapacity, kFile};
// The status page shows clients and paths, so it never becomes public by omission:
// an empty or absent list means the loopback addresses.
inline constexpr SettingField kStatusAllow{"statusallow", FieldKind::kList, kTextCapacity, kFile,
                                           0, "127.0.0.1,::1"};
// Written by the window, never read by the server.
inline constexpr SettingField kTrafficPanel{"trafficpanel", FieldKind::kFlag, kNumberCapacity,
                                            kWindow};
inline constexpr SettingField kUpdateHost{"updatehost", FieldKind::kText, 256, kFile};
inline constexpr SettingField kWindowX{"windowx", FieldKind::kInteger, kNumberCapacity, kWindow};
inline constexpr SettingField kWindowY{"windowy", FieldKind::kInteger, kNumberCapacity, kWindow};
inline constexpr SettingField kWindowWidth{"windowwidth", FieldKind::kInteger, kNumberCapacity,
                                           kWindow};
inline constexpr SettingField kWindowHeight{"windowheight", FieldKind::kInteger, kNumberCapacity,
                                            kWindow};

// The keys of the numbered list sections [cgi0], [alias0], …, all edited on
// the options sheet.
inline constexpr SettingField kCgiExtension{"extension", FieldKind::kList, kTextCapacity, kSheet};
inline constexpr SettingField kCgiFileHeader{"fileheader", FieldKind::kText, kTextCapacity, kSheet};
inline constexpr SettingField kCgiCmdLine{"cmdline", FieldKind::kText, kTextCapacity, kSheet};

inline constexpr SettingField kAliasServerPath{"serverpath", FieldKind::kText, kPathCapacity,
                                               kSheet};
inline constexpr SettingField kAliasLocalPath{"localpath", FieldKind::kPath, kPathCapacity, kSheet};

inline constexpr SettingField kDenyPath{"path", FieldKind::kList, kPathCapacity, kSheet};
inline constexpr SettingField kDenyAllow{"allow", FieldKind::kList, kTextCapacity, kSheet};
inline constexpr SettingField kDenyDeny{"deny", FieldKind::kList, kTextCapacity, kSheet};

inline constexpr SettingField kErrPageCode{"errcode", FieldKind::kInteger, kNumberCapacity, kSheet};
inline constexpr SettingField kErrPageFile{"errfile", FieldKind::kPath, kPathCapacity, kSheet};

inline constexpr SettingField kMimeExtension{"extension", FieldKind::kList, kTextCapacity, kSheet};
inline constexpr SettingField kMimeType{"mimetype", FieldKind::kText, kTextCapacity, kSheet};

inline constexpr SettingField kUserName{"name", FieldKind::kText, kTextCapacity, kSheet};
inline constexpr SettingField kUserPassword{"password", FieldKind::kText, kTextCapacity, kSheet};

inline constexpr SettingField kAuthName{"name", FieldKind::kText, kTextCapacity, kSheet};
inline constexpr SettingField kAuthPath{"path", FieldKind::kList, kPathCapacity, kSheet};
inline constexpr SettingField kAuthUser{"user", FieldKind::kList, kTextCapacity, kSheet};

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

/// The main-section entry of field, or nullptr when field is no key of [RUZ].
const MainField *FindMainField(const SettingField &field);

/// The loaded integer of a main-section key; 0 for keys the record lacks.
int LoadedInt(const SettingField &field, const ServerSettings &settings);

/// The loaded text of a main-section key (a path resolved, a list with CR
/// between items); "" for keys the record lacks.
std::string LoadedText(const SettingField &field, const ServerSettings &settings);

/// A loaded main-section value as the file holds it: an integer in decimal, a
/// path as written, a list with commas between items.
std::string FileText(const SettingField &field, const ServerSettings &settings);

/// text cut to the most bytes the key takes, at a character boundary.
std::string FitToField(const SettingField &field, std::string_view text);

/// A list kept with CR, LF or CR LF between items, in the file's comma form.
std::string CommaForm(std::string_view list);

/// One entry of a numbered list: one text per key of its section, in key order.
using ListRow = std::vector<std::string>;

/// A numbered list section ([alias0], [alias1], …): the prefix of its section
/// names, its keys in the order the options sheet shows them, and where the
/// record keeps its entries.
struct ListSection {
  std::string_view prefix;
  std::span<const SettingField *const> keys;
  /// The loaded entries as the file holds them: integers in decimal, paths as
  /// written, lists with commas.
  std::vector<ListRow> (*rows)(const ServerSettings &settings);
};

namespace field {

extern const ListSection kCgiSection;
extern const ListSection kAliasSection;
extern const ListSection kDenySection;
extern const ListSection kErrPageSection;
extern const ListSection kMimeSection;
extern const ListSection kUserSection;
extern const ListSection kAuthSection;

}  // namespace field

/// The seven list sections, in the order of the options sheet's pages.
std::span<const ListSection *const> ListSections();

}  // namespace ruz
