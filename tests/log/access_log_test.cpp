// Token expansion and the access-log line with its memory buffer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/settings.h"
#include "common/expand_token.h"
#include "log/access_log.h"
#include "log/log_escape.h"
#include "common/lines.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

std::string Expanded(std::string text, const char *token, const char *value) {
  ExpandToken(text, token, value);
  return text;
}

TEST(ExpandTokenTest, ReplacesEveryUnescapedOccurrenceIgnoringCase) {
  EXPECT_EQ(Expanded("%ip% and %IP% and %Ip%", "%ip%", "1.2.3.4"), "1.2.3.4 and 1.2.3.4 and 1.2.3.4");
  EXPECT_EQ(Expanded("%%ip%", "%ip%", "1.2.3.4"), "%%ip%");    // escaped: left alone
  EXPECT_EQ(Expanded("%%%ip%", "%ip%", "1.2.3.4"), "%%1.2.3.4");
  EXPECT_EQ(Expanded("%foo%", "%ip%", "x"), "%foo%");
  EXPECT_EQ(Expanded("%url%", "%url%", "/a%20b"), "/a%%20b");  // doubled, collapsed later
  EXPECT_EQ(Expanded("%url%", "%url%", "%url%"), "%%url%%");   // never expanded again
  EXPECT_EQ(Expanded("%%%%%ip%", "%ip%", "x"), "%%%%x");  // an even run: escaped percent signs
}

TEST(ExpandTokenTest, AValueIsNeverExpandedByALaterToken) {
  // A referer of "%%ua%%" is inserted as "%%%%ua%%%%": three "%" before "ua%".
  std::string line = "%referer% %ua%";
  ExpandToken(line, "%referer%", "%%ua%%");
  ExpandToken(line, "%ua%", "Agent");
  ReplaceAll(line, "%%", "%");
  EXPECT_EQ(line, "%%ua%% Agent");
}

TEST(EscapeLogTextTest, EscapesQuotesBackslashesAndControlsButNoDoubleByteCharacter) {
  struct Case {
    const char *text, *escaped;
  } cases[] = {
      {"Mozilla/5.0 (X11)", "Mozilla/5.0 (X11)"},
      {"a\"b", "a\\\"b"},
      {"C:\\x", "C:\\\\x"},
      {"\x1B[31mred\x1B[0m", "\\x1B[31mred\\x1B[0m"},
      {"\t\r\n\x7F", "\\x09\\x0D\\x0A\\x7F"},
      {"\x8A\x9F\xB1\x82\xA0", "\x8A\x9F\xB1\x82\xA0"},       // trail byte 0x9F; kana; あ
      {"\x95\x5C\x83\x5Cx", "\x95\x5C\x83\x5Cx"},             // two ending in 0x5C
      {"/\x95\x5C", "/\\x95\\x5C"},                           // one at the end
      {"\x95\x5C\x95\x5C\"", "\\x95\\x5C\\x95\\x5C\\\""},     // ... or before an escape
      {"\x81\x81\x5C", "\x81\x81\\\\"},                       // a pair, a lone backslash
      {"\x81\n", "\\x81\\x0A"},                               // a lead byte alone
      {"\x81\"", "\\x81\\\""},
      {"\x81", "\\x81"},
  };
  for (const Case &c : cases) EXPECT_EQ(EscapeLogText(c.text), c.escaped) << c.text;
  EXPECT_EQ(EscapeLogText(std::string("a\0b", 3)), "a\\x00b");
}

class WriteLogLineTest : public ::testing::Test {
 protected:
  WriteLogLineTest() {
    settings.logwrite = 1;
    settings.logname = (dir / "access.log").string();
    slot.settings = &settings;
    slot.startTime = &start;
    request.remoteAddr = request.remoteHost = "192.168.0.5";
    request.requestLine = "GET /index.html HTTP/1.1";
    request.method = "GET";
    request.uri = "/index.html";
    request.protocol = "HTTP/1.1";
    request.userAgent = "Mozilla/4.0";
  }

  std::string LogFile() const {
    std::ifstream in(dir / "access.log", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string LineFor(const std::string &format, std::uint64_t bytes = 0, int code = 200) {
    settings.logformat = format;
    std::filesystem::remove(dir / "access.log");
    AccessLog(settings).Store(FormatLogLine(slot, request, bytes, code));
    return LogFile();
  }

  TempDir temp;
  std::filesystem::path dir{temp.Path()};
  ServerSettings settings;
  ConnectionSlot slot;
  RequestInfo request;
  DateTime start{2026, 12, 0, 6, 14, 3, 9, 0};  // a Sunday
};

TEST_F(WriteLogLineTest, StandardFormatGivesTheCommonLine) {
  EXPECT_EQ(LineFor(kStandardLogFormat, 1534),
            "192.168.0.5 - - [06/Dec/2026:14:03:09 +0900] \"GET /index.html HTTP/1.1\" 200 1534 "
            "\"\" \"Mozilla/4.0\"\r\n");
}

TEST_F(WriteLogLineTest, EveryTokenAndTheEscapes) {
  request.query = "q=1";
  request.localPath = "/srv/www/index.html";
  request.referer = "http://r/";
  struct Case {
    const char *format, *line;
  } cases[] = {
      {"%ip%|%host%|%method%|%url%|%protocol%", "192.168.0.5|192.168.0.5|GET|/index.html|HTTP/1.1"},
      {"%filepath%|%query%|%referer%|%ua%", "/srv/www/index.html|q=1|http://r/|Mozilla/4.0"},
      {"%year%-%month%-%day% %hour%:%min%:%sec%", "2026-12-06 14:03:09"},
      {"%monthstring% %weekstring%", "Dec Sun"},
      {"%bytesd% %responsecode% %responsetext%", "5000000000 404 Not Found"},
      {"100%% %%ip% %%%ip% %foo%", "100% %ip% %192.168.0.5 %foo%"},
      {"%url%%ip%", "/index.html%ip%"},
      {"%ip%%url%", "192.168.0.5/index.html"},
      {"", ""},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(LineFor(c.format, 5000000000ull, 404), std::string(c.line) + "\r\n") << c.format;
  }
  request.uri = "/a%20b/%ua%";
  EXPECT_EQ(LineFor("%url%"), "/a%20b/%ua%\r\n");
}

TEST_F(WriteLogLineTest, BufferTakesLinesUntilFullThenGoesToTheFile) {
  settings.mem = 1;
  settings.bufmax = 100;
  auto lineOf = [](std::size_t length) { return std::string(length - 2, 'x') + "\r\n"; };
  {
    AccessLog log(settings);
    log.Store(lineOf(60));
    log.Store(lineOf(39));
    EXPECT_EQ(log.BufferedText().size(), 99u);
    EXPECT_EQ(LogFile(), "");
  }
  std::filesystem::remove(dir / "access.log");
  AccessLog log(settings);
  log.Store(lineOf(60));
  log.Store(lineOf(40));
  EXPECT_EQ(LogFile(), lineOf(60));
  EXPECT_EQ(log.BufferedText(), lineOf(40));
  log.WriteOutBuffer();
  EXPECT_EQ(LogFile(), lineOf(60) + lineOf(40));
}

TEST_F(WriteLogLineTest, LineLongerThanTheBufferGoesStraightToTheFile) {
  settings.mem = 1;
  settings.bufmax = 10;
  AccessLog log(settings);
  log.Store("abc");
  log.Store(std::string(20, 'z'));
  EXPECT_EQ(LogFile(), "abc" + std::string(20, 'z'));
  EXPECT_EQ(log.BufferedText(), "");
}

}  // namespace
}  // namespace ruz
