// LoadSettings on ini files written by the tests, and the list-section helpers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "config/setting_fields.h"
#include "config/settings.h"
#include "config/settings_writer.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

// Points the program directory at a temporary home for the test's duration.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ProgramDirectory();
    SetProgramDirectory(home_.Path() + "/srv");
    ASSERT_EQ(mkdir((home_.Path() + "/srv").c_str(), 0755), 0);
  }
  void TearDown() override { SetProgramDirectory(saved_); }

  ServerSettings Load(const std::string &ini) {
    EXPECT_TRUE(ReplaceFileAtomically(IniPath(), ini));
    ServerSettings s;
    EXPECT_TRUE(LoadSettings(s));
    return s;
  }
  std::string Home() const { return home_.Path(); }

  TempDir home_;
  std::string saved_;
};

TEST_F(SettingsTest, ReadsTheMainSectionWithDefaultsAndPaths) {
  ServerSettings s = Load(
      "[RUZ]\r\nsrvname=myhost\r\nport=8080\r\nroot=www\r\nlogname=../logs/access.log\r\n"
      "index=index.html,index.htm\r\nssiexts=.shtml,.shtm\r\nnocgissi=/cgi-bin/*,/tmp/*\r\n"
      "defmime='text/plain'\r\nlogformat=\"%Host%\"\r\nmaxconnect=64\r\n");
  EXPECT_EQ(IniPath(), Home() + "/srv/ruz.ini");
  EXPECT_EQ(s.srvname, "myhost");
  EXPECT_EQ(s.port, 8080);
  EXPECT_EQ(s.root, Home() + "/srv/www");
  EXPECT_EQ(s.logname, Home() + "/logs/access.log");
  EXPECT_EQ(s.rootAsWritten, "www");  // what the options sheet shows and keeps
  EXPECT_EQ(s.lognameAsWritten, "../logs/access.log");
  EXPECT_EQ(s.index, "index.html\rindex.htm");
  EXPECT_EQ(s.ssiexts, ".shtml\r.shtm");
  EXPECT_EQ(s.nocgissi, "/cgi-bin/*\r\n/tmp/*");
  EXPECT_EQ(s.defmime, "text/plain");
  EXPECT_EQ(s.logformat, "%Host%");
  EXPECT_EQ(s.maxconnect, 64);
  EXPECT_EQ(s.connecttimeout, 300000);
  EXPECT_EQ(s.processtimeout, 300000);
  EXPECT_EQ(s.ssisizelimit, 65535);
  EXPECT_EQ(s.sendwait, 20);
  EXPECT_EQ(s.filelist, 0);
  EXPECT_EQ(s.bindaddress, "");
  EXPECT_EQ(s.tlsport, 0);
  EXPECT_EQ(s.tlscert, Home() + "/srv/ruz-cert.pem");
  EXPECT_EQ(s.tlskey, Home() + "/srv/ruz-key.pem");
  EXPECT_TRUE(s.ruzalias.empty());
}

TEST_F(SettingsTest, KeepsAbsolutePathsAndEmptyLists) {
  ServerSettings s = Load("[RUZ]\nroot=/var/www/\nindex=\nssiexts=a,,b\nsendwait=0\n"
                          "bindaddress=::1\ntlsport=8443\ntlscert=\ntlskey=/etc/ruz/key.pem\n");
  EXPECT_EQ(s.root, "/var/www/");
  EXPECT_EQ(s.bindaddress, "::1");
  EXPECT_EQ(s.tlsport, 8443);
  EXPECT_EQ(s.tlscert, Home() + "/srv/ruz-cert.pem");  // empty: the default file
  EXPECT_EQ(s.tlskey, "/etc/ruz/key.pem");
  EXPECT_EQ(s.index, "");
  EXPECT_EQ(s.ssiexts, "a\r\rb");
  EXPECT_EQ(s.sendwait, 0);
  EXPECT_EQ(s.logname, Home() + "/srv");  // absent: the directory itself
}

TEST_F(SettingsTest, CutsValuesToTheirCapacity) {
  std::string longText(2000, 'x');
  std::string commas(600, ',');
  ServerSettings s = Load("[RUZ]\nsrvname=" + longText + "\nlogformat=" + longText +
                          "\nnocgissi=" + commas + "\n[mime0]\nmimetype=" + longText + "\n");
  EXPECT_EQ(s.srvname.size(), 254u);
  EXPECT_EQ(s.logformat.size(), 1023u);
  std::string expected;
  for (int i = 0; i < 511; ++i) expected += "\r\n";  // 511 bytes read, each comma grows
  EXPECT_EQ(s.nocgissi, expected);
  ASSERT_EQ(s.mimeTypes.size(), 1u);
  EXPECT_EQ(s.mimeTypes[0].mimetype.size(), 254u);
}

TEST_F(SettingsTest, FallsBackToTheComputerNameThenTheHostName) {
  std::string saved;
  bool had = GetEnvironmentValue("COMPUTERNAME", saved);
  setenv("COMPUTERNAME", "DESKTOP-1", 1);
  EXPECT_EQ(Load("[RUZ]\nsrvname=\nport=1\n").srvname, "DESKTOP-1");
  EXPECT_EQ(Load("[RUZ]\nport=1\n").srvname, "DESKTOP-1");
  unsetenv("COMPUTERNAME");
  EXPECT_EQ(Load("[RUZ]\nport=1\n").srvname, HostName());
  if (had) setenv("COMPUTERNAME", saved.c_str(), 1);
}

TEST_F(SettingsTest, ReadsTheSevenTablesUpToTheFirstGap) {
  ServerSettings s = Load(
      "[RUZ]\r\nalias=1\r\n"
      "[alias0]\r\nlocalpath=docs\r\nserverpath=/docs/\r\n"
      "[alias1]\r\nlocalpath=/abs\r\nserverpath=/abs/\r\n"
      "[alias3]\r\nlocalpath=x\r\nserverpath=/x/\r\n"
      "[deny0]\r\npath=/private/*,/secret/*\r\nallow=127.0.0.1\r\ndeny=*\r\n"
      "[mime0]\r\nextension=.html,.htm\r\nmimetype=text/html\r\n"
      "[cgi0]\r\nextension=.pl\r\nfileheader=#!\r\ncmdline=perl \"%s\"\r\n"
      "[errpage0]\r\nerrcode=404\r\nerrfile=errors/404.html\r\n"
      "[user0]\r\n; only a comment\r\n[user1]\r\nname=late\r\n"
      "[auth0]\r\nname=Realm\r\npath=/members/*\r\nuser=alice,bob\r\n");
  ASSERT_EQ(s.ruzalias.size(), 2u);
  EXPECT_EQ(s.ruzalias[0].localpath, Home() + "/srv/docs");
  EXPECT_EQ(s.ruzalias[0].localpathAsWritten, "docs");
  EXPECT_EQ(s.ruzalias[0].serverpath, "/docs/");
  EXPECT_EQ(s.ruzalias[1].localpath, "/abs");
  ASSERT_EQ(s.accessRules.size(), 1u);
  EXPECT_EQ(s.accessRules[0].path, "/private/*\r/secret/*");
  EXPECT_EQ(s.accessRules[0].deny, "*");
  ASSERT_EQ(s.mimeTypes.size(), 1u);
  EXPECT_EQ(s.mimeTypes[0].extension, ".html\r.htm");
  ASSERT_EQ(s.cgiRules.size(), 1u);
  EXPECT_EQ(s.cgiRules[0].cmdline, "perl \"%s\"");
  ASSERT_EQ(s.errorPages.size(), 1u);
  EXPECT_EQ(s.errorPages[0].errcode, 404);
  EXPECT_EQ(s.errorPages[0].errfile, Home() + "/srv/errors/404.html");
  EXPECT_EQ(s.errorPages[0].errfileAsWritten, "errors/404.html");
  EXPECT_TRUE(s.users.empty());
  ASSERT_EQ(s.authRules.size(), 1u);
  EXPECT_EQ(s.authRules[0].user, "alice\rbob");
  EXPECT_EQ(s.alias, 1);
}

TEST_F(SettingsTest, LeavesTheRecordAloneWithoutAnIniFile) {
  ServerSettings s;
  s.port = 77;
  EXPECT_FALSE(LoadSettings(s));
  EXPECT_EQ(s.port, 77);
  FreeSettings(s);
  EXPECT_EQ(s.port, 0);
  EXPECT_TRUE(s.root.empty());
}

TEST_F(SettingsTest, ResolvesExecutableRelativePaths) {
  const std::string dir = Home() + "/srv";
  const std::pair<std::string, std::string> cases[] = {
      {"", dir},
      {".", dir + "/"},
      {"www", dir + "/www"},
      {"./ruz.ini", dir + "/ruz.ini"},
      {"../logs/access.log", Home() + "/logs/access.log"},
      {"/var/www", "/var/www"},
      {std::string(300, 'a'), dir + "/" + std::string(259, 'a')},
  };
  for (const auto &[path, resolved] : cases) {
    EXPECT_EQ(ExeRelativePath(path), resolved) << path;
  }
}

TEST_F(SettingsTest, CountsAndDeletesListSections) {
  std::string ini = Home() + "/count.ini";
  ASSERT_TRUE(ReplaceFileAtomically(
      ini, "[mime0]\r\na=1\r\n[MIME1]\r\nb=2\r\n[mime2]\r\n;c\r\n[mime3]\r\nd=4\r\n[x]\r\ny=1\r\n"));
  EXPECT_EQ(CountListSections("mime", ini), 2);
  EXPECT_EQ(CountListSections("cgi", ini), 0);
  EXPECT_EQ(CountListSections("mime", Home() + "/none.ini"), 0);
  EXPECT_EQ(DeleteListSectionsFrom("mime", 1, ini), 1);  // stops at the comment-only mime2
  std::string after;
  ASSERT_TRUE(ReadWholeFile(ini, after));
  EXPECT_EQ(after, "[mime0]\r\na=1\r\n[mime2]\r\n;c\r\n[mime3]\r\nd=4\r\n[x]\r\ny=1\r\n");
}

TEST_F(SettingsTest, WritesIntegerSettings) {
  std::string ini = Home() + "/w.ini";
  ASSERT_TRUE(ReplaceFileAtomically(ini, "[RUZ]\r\nport=80\r\ndnsopt=0\r\n"));
  EXPECT_TRUE(WriteIntSetting(field::kDnsOpt, 2, ini));
  EXPECT_TRUE(WriteIntSetting(field::kAutoUpdateCheck, -1, ini));
  std::string after;
  ASSERT_TRUE(ReadWholeFile(ini, after));
  EXPECT_EQ(after, "[RUZ]\r\nport=80\r\ndnsopt=2\r\nautoupdatecheck=-1\r\n");
  // A text longer than the key takes is cut to its limit; a place that cannot
  // be written is reported with the system's reason.
  EXPECT_TRUE(WriteSetting(field::kPort, std::string(100, '8'), ini));
  ASSERT_TRUE(ReadWholeFile(ini, after));
  EXPECT_NE(after.find("port=" + std::string(field::kPort.EditLimit(), '8') + "\r\n"),
            std::string::npos);
  const WriteResult failed = WriteIntSetting(field::kDnsOpt, 1, ini + "/ruz.ini");
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.reason, "Not a directory");
}

TEST(StandardLogFormatTest, IsTheExactDefaultText) {
  EXPECT_STREQ(kStandardLogFormat,
               "%Host% - - [%Day%/%MonthString%/%Year%:%Hour%:%Min%:%Sec% +0900] "
               "\"%MethodUrl%\" %ResponseCode% %Bytesd% \"%Referer%\" \"%Ua%\"");
}

}  // namespace
}  // namespace ruz

namespace ruz {
namespace {

// A row for every list section: integers, lists of two items, plain texts.
std::vector<ListRow> SampleRows(const ListSection &section) {
  std::vector<ListRow> rows;
  for (int r = 0; r < 2; ++r) {
    ListRow row;
    for (const SettingField *key : section.keys) {
      const std::string n = std::to_string(r);
      if (key->kind == FieldKind::kInteger) row.push_back("40" + n);
      else if (key->kind == FieldKind::kList) row.push_back("a" + n + ",b" + n);
      else row.push_back(std::string(key->key) + n);
    }
    rows.push_back(row);
  }
  return rows;
}

// Every key of the table is read into its member: a value written under the
// key by the writer comes back, as the file held it, so no key can be listed
// without being loaded and no loaded value is shown differently from the file.
TEST_F(SettingsTest, EveryMainFieldRoundTripsThroughTheWriterAndTheLoader) {
  int n = 0;
  for (const MainField &entry : MainFields()) {
    const std::string value = entry.integer != nullptr ? std::to_string(7 + n++) : "v" + std::to_string(n++);
    ASSERT_TRUE(WriteSetting(*entry.field, value, IniPath()));
  }
  for (const ListSection *section : ListSections()) {
    ASSERT_TRUE(WriteListSection(*section, SampleRows(*section), IniPath()));
  }
  ServerSettings s;
  ASSERT_TRUE(LoadSettings(s));
  for (const ListSection *section : ListSections()) {
    EXPECT_EQ(section->rows(s), SampleRows(*section)) << section->prefix;
  }
  n = 0;
  for (const MainField &entry : MainFields()) {
    SCOPED_TRACE(std::string(entry.field->key));
    const int number = 7 + n;
    const std::string text = "v" + std::to_string(n++);
    if (entry.integer != nullptr) {
      EXPECT_EQ(s.*entry.integer, std::clamp(number, entry.field->minInt, entry.field->maxInt));
      EXPECT_EQ(FileText(*entry.field, s), std::to_string(s.*entry.integer));
    } else if (entry.asWritten != nullptr) {
      EXPECT_EQ(s.*entry.asWritten, text);
      EXPECT_EQ(FileText(*entry.field, s), text);
    } else if (entry.text != nullptr) {
      EXPECT_NE((s.*entry.text).find(text), std::string::npos);
      if (entry.field->kind != FieldKind::kFileOr) {
        EXPECT_EQ(FileText(*entry.field, s), text);
      }
    }
    EXPECT_EQ(FindMainField(entry.field->key), &entry);
  }
}

TEST_F(SettingsTest, KeepAliveIsClampedToItsLimits) {
  EXPECT_EQ(Load("[RUZ]\nkeepalive=5\n").keepalive, 5);
  EXPECT_EQ(Load("[RUZ]\nkeepalive=301\n").keepalive, kMaxKeepAliveSeconds);
  EXPECT_EQ(Load("[RUZ]\nkeepalive=-1\n").keepalive, 0);
  EXPECT_EQ(Load("[RUZ]\n").keepalive, 0);
}

}  // namespace
}  // namespace ruz
