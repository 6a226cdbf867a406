// The directives over the variable block, the file directives and exec.
#include <gtest/gtest.h>
#include <utime.h>

#include <cstdio>

#include "config/settings.h"
#include "platform/clock.h"
#include "platform/text_codes.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "ssi/document.h"
#include "ssi_test_support.h"

namespace ruz {
namespace {

using namespace std::string_literals;

class SsiDirectiveTest : public test::SsiDocumentTest {
 protected:
  SsiDirectiveTest() : SsiDocumentTest("a+b%21") {
    EnvPut(document_.variables, "REMOTE_ADDR", "127.0.0.1", false);
  }

  std::string Output(std::string_view text) {
    output_.sends.clear();
    EXPECT_TRUE(ProcessSsiText(document_, text));
    return output_.Text();
  }

  // The names of the printenv lines, in order.
  std::vector<std::string> PrintenvNames() {
    std::vector<std::string> names;
    const std::string text = Output("<!--#printenv -->");
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      const std::string line = text.substr(start, end - start);
      names.push_back(line.substr(0, line.find('=')));
    }
    return names;
  }
};

TEST_F(SsiDirectiveTest, EchoFindsNamesInAnyLetterCaseAndSkipsUnknownOnes) {
  EXPECT_EQ(Output("<!--#echo var=\"query_string\" -->"), "a+b%21");
  EXPECT_EQ(Output("<!--#echo var=\"QUERY\" -->"), "");
  EXPECT_EQ(Output("<!--#echo var=\"NO_SUCH\" -->"), "");
  EXPECT_EQ(Output("<!--#echo -->"), "");
}

TEST_F(SsiDirectiveTest, EchoComputesTheDocumentVariables) {
  EXPECT_EQ(Output("<!--#echo var=\"DOCUMENT_NAME\" -->"), "page.shtml");
  EXPECT_EQ(Output("<!--#echo var=\"DOCUMENT_URI\" -->"), "/docs/page.shtml");
  EXPECT_EQ(Output("<!--#echo var=\"QUERY_STRING_UNESCAPED\" -->"), "a b!");
  request_.query = "1%2B1";
  EXPECT_EQ(Output("<!--#echo var=\"QUERY_STRING_UNESCAPED\" -->"), "1+1");
}

TEST_F(SsiDirectiveTest, EchoRecomputesATimeVariableThatSetOverwrote) {
  const std::string year = std::to_string(GetUtcDateTime().year);
  const std::string out = Output(
      "<!--#config timefmt=\"%Y\" --><!--#set var=\"DATE_GMT\" value=\"set\" -->"
      "<!--#echo var=\"DATE_GMT\" -->");
  EXPECT_TRUE(out == year || out == std::to_string(GetUtcDateTime().year)) << out;
}

TEST_F(SsiDirectiveTest, TimeFormatAppliesToTheLaterEchoes) {
  const DateTime before = GetUtcDateTime();
  const std::string out =
      Output("<!--#config timefmt=\"%Y-%m-%d\" --><!--#echo var=\"DATE_GMT\" -->");
  const DateTime after = GetUtcDateTime();
  char expected[2][16];
  std::snprintf(expected[0], 16, "%04d-%02d-%02d", before.year, before.month, before.day);
  std::snprintf(expected[1], 16, "%04d-%02d-%02d", after.year, after.month, after.day);
  EXPECT_TRUE(out == expected[0] || out == expected[1]) << out;
}

TEST_F(SsiDirectiveTest, TimeFormatThatCannotBeAppliedGivesEmptyTimes) {
  EXPECT_EQ(Output("<!--#config timefmt=\"%Q\" --><!--#echo var=\"DATE_GMT\" -->"), "");
  std::string longResult;  // 200 bytes of format, 400 bytes of result
  for (int i = 0; i < 100; ++i) longResult += "%Y";
  EXPECT_EQ(Output("<!--#config timefmt=\"" + longResult + "\" --><!--#echo var=\"DATE_GMT\" -->"),
            "");
}

TEST_F(SsiDirectiveTest, LastModifiedIsTheDocumentsTimeInUtc) {
  const std::string path = dir_.Write("page.shtml", "x");
  const utimbuf times{1765029909, 1765029909};  // 2025-12-06 14:05:09 UTC
  ASSERT_EQ(utime(path.c_str(), &times), 0);
  ReadFile file(path);
  document_.file = &file;
  EXPECT_EQ(Output("<!--#config timefmt=\"%Y-%m-%d %H:%M:%S\" -->"
                   "<!--#echo var=\"LAST_MODIFIED\" -->"),
            "2025-12-06 14:05:09");
}

TEST_F(SsiDirectiveTest, PrintenvListsTheSixComputedVariablesLastAfterAnEcho) {
  EXPECT_EQ(PrintenvNames(), (std::vector<std::string>{"QUERY_STRING", "REMOTE_ADDR"}));
  Output("<!--#set var=\"MINE\" value=\"1\" --><!--#echo var=\"MINE\" -->");
  EXPECT_EQ(PrintenvNames(),
            (std::vector<std::string>{"QUERY_STRING", "REMOTE_ADDR", "MINE", "DOCUMENT_NAME",
                                      "DOCUMENT_URI", "QUERY_STRING_UNESCAPED", "DATE_LOCAL",
                                      "DATE_GMT", "LAST_MODIFIED"}));
}

TEST_F(SsiDirectiveTest, SetReplacesTheFirstEntryOfItsNameAndAppends) {
  Output("<!--#set var=\"query_string\" value=\"y\" --><!--#set value=\"nameless\" -->");
  EXPECT_EQ(Output("<!--#printenv -->"),
            "REMOTE_ADDR=127.0.0.1\r\nquery_string=y\r\n=nameless\r\n");
  EXPECT_EQ(Output("<!--#echo var=\"QUERY_STRING\" -->"), "y");
}

TEST_F(SsiDirectiveTest, PrintenvStopsAtTheFirstFailedSend) {
  output_.failingSend = "\r\n";
  EXPECT_TRUE(ProcessSsiText(document_, "<!--#printenv -->"));
  EXPECT_EQ(output_.Text(), "QUERY_STRING=a+b%21");
}

TEST_F(SsiDirectiveTest, FsizeFollowsTheSizeFormat) {
  dir_.Write("sub/data.bin", std::string(1330, 'd'));
  const std::string fsize = "<!--#fsize file=\"sub/data.bin\" -->";
  EXPECT_EQ(Output(fsize), "1.29 KB");
  EXPECT_EQ(Output("<!--#config sizefmt=\"addrev\" -->" + fsize), "1.29 KB");
  EXPECT_EQ(Output("<!--#config sizefmt=\"bytes\" -->" + fsize), "1330");
  EXPECT_EQ(Output("<!--#config sizefmt=\"Bytes\" -->" + fsize), "");
}

TEST_F(SsiDirectiveTest, FileAttributeStaysBelowTheDocumentDirectory) {
  dir_.Write("other/five.txt", "12345");
  dir_.Write("docs/sub/five.txt", "12345");
  document_.directory = dir_.Path() + "/docs";
  document_.sizeFormat = "bytes";
  EXPECT_EQ(Output("<!--#fsize file=\"sub/five.txt\" -->"), "5");
  EXPECT_EQ(Output("<!--#include file=\"sub/five.txt\" -->"), "12345");
  for (const std::string &refused :
       {"<!--#fsize file=\"../other/five.txt\" -->"s, "<!--#include file=\"../other/five.txt\" -->"s,
        "<!--#include file=\"sub/../sub/five.txt\" -->"s, "<!--#flastmod file=\"sub\\five.txt\" -->"s,
        "<!--#include file=\"" + dir_.Path() + "/other/five.txt\" -->"}) {
    EXPECT_EQ(Output(refused), "") << refused;
  }
}

TEST_F(SsiDirectiveTest, FileDirectivesProduceNothingWithoutAFile) {
  dir_.Write("sub/x.txt", "x");
  for (const char *text : {"<!--#fsize file=\"missing\" -->", "<!--#fsize -->",
                           "<!--#fsize file=\"sub\" -->", "<!--#flastmod file=\"missing\" -->",
                           "<!--#include file=\"missing\" -->", "<!--#include file=\"sub\" -->",
                           "<!--#include filename=\"sub/x.txt\" -->"}) {
    EXPECT_EQ(Output(text), "") << text;
  }
}

TEST_F(SsiDirectiveTest, FlastmodGivesTheFilesTimeInUtc) {
  const std::string path = dir_.Write("old.txt", "x");
  const utimbuf times{1765029909, 1765029909};
  ASSERT_EQ(utime(path.c_str(), &times), 0);
  EXPECT_EQ(Output("<!--#config timefmt=\"%d.%m.%Y %H:%M\" --><!--#flastmod file=\"old.txt\" -->"),
            "06.12.2025 14:05");
  EXPECT_EQ(Output("<!--#config timefmt=\"%c\" --><!--#flastmod file=\"old.txt\" -->"),
            "12/06/25 14:05:09");
}

TEST_F(SsiDirectiveTest, ExecCmdRunsTheShellInTheDocumentDirectoryWithTheBlock) {
  Output("<!--#set var=\"MINE\" value=\"1\" --><!--#exec cmd=\"echo $MINE\" cgi=\"x.cgi\" -->");
  ASSERT_EQ(output_.programs.size(), 1u);
  const SsiProgram &program = output_.programs[0];
  EXPECT_EQ(program.arguments, (std::vector<std::string>{"/bin/sh", "-c", "echo $MINE"}));
  EXPECT_EQ(program.workingDirectory, dir_.Path());
  EXPECT_EQ(program.headerMode, HeaderMode::kNone);
  EXPECT_EQ(output_.environments[0],
            "QUERY_STRING=a+b%21\0REMOTE_ADDR=127.0.0.1\0MINE=1\0\0"s);
}

TEST_F(SsiDirectiveTest, NoExecCmdRefusesCommandsOnly) {
  settings_.ssinoexeccmd = 1;
  settings_.cgiRules.push_back({".cgi", "", "perl \"%filepath%\" \"%query%\""});
  dir_.Write("bin/x.cgi", "print 1;\n");
  Output("<!--#exec cmd=\"echo no\" --><!--#exec cgi=\"/bin/x.cgi\" -->");
  ASSERT_EQ(output_.programs.size(), 1u);
  EXPECT_EQ(output_.programs[0].arguments,
            (std::vector<std::string>{"perl", dir_.Path() + "/bin/x.cgi", ""}));
  EXPECT_EQ(output_.programs[0].headerMode, HeaderMode::kDrop);
  EXPECT_EQ(output_.programs[0].workingDirectory, dir_.Path());
}

TEST_F(SsiDirectiveTest, ExecCgiRefusesEscapesAndFilesWithoutARule) {
  settings_.cgiRules.push_back({".cgi", "", "perl \"%filepath%\""});
  dir_.Write("x.cgi", "print 1;\n");
  dir_.Write("x.txt", "print 1;\n");
  for (const char *text :
       {"<!--#exec cgi=\"../x.cgi\" -->", "<!--#exec cgi=\"sub/..x.cgi\" -->",
        "<!--#exec cgi=\"C:x.cgi\" -->", "<!--#exec cgi=\"x.txt\" -->", "<!--#exec -->"}) {
    Output(text);
    EXPECT_TRUE(output_.programs.empty()) << text;
  }
}

}  // namespace
}  // namespace ruz
