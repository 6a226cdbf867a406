// The directive loop over a document's text and the dispatch by command word.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "ssi/document.h"
#include "ssi_test_support.h"

namespace ruz {
namespace {

class SsiTextTest : public test::SsiDocumentTest {
 protected:
  SsiTextTest() : SsiDocumentTest("x=1") {}

  bool Process(std::string_view text) { return ProcessSsiText(document_, text); }
};

TEST_F(SsiTextTest, TextWithoutDirectivesGoesOutUnchangedInOneSend) {
  const std::string page = "<html>\r\n<!-- a comment -->\r\n<!--# not closed -- >\r\n";
  const std::string text = page.substr(0, page.find("<!--#"));
  EXPECT_TRUE(Process(text));
  ASSERT_EQ(output_.sends.size(), 1u);
  EXPECT_EQ(output_.sends[0], text);
}

TEST_F(SsiTextTest, DirectiveOutputStandsBetweenTheTextPieces) {
  EXPECT_TRUE(Process("a<!--#echo var=\"QUERY_STRING\" -->b"));
  EXPECT_EQ(output_.sends, (std::vector<std::string>{"a", "x=1", "b"}));
}

TEST_F(SsiTextTest, AdjacentDirectivesAndEmptyPiecesSendNoEmptyText) {
  EXPECT_TRUE(Process("<!--#echo var=\"QUERY_STRING\" --><!--#echo var=\"QUERY_STRING\" -->"));
  EXPECT_EQ(output_.sends, (std::vector<std::string>{"x=1", "x=1"}));
}

TEST_F(SsiTextTest, UnclosedDirectiveEndsTheDocumentBeforeIt) {
  EXPECT_TRUE(Process("a<!--#echo var=\"QUERY_STRING\" b c"));
  EXPECT_EQ(output_.Text(), "a");
}

TEST_F(SsiTextTest, DirectiveEndsAtTheFirstCloseMark) {
  EXPECT_TRUE(Process("<!--#echo var=\"QUERY_STRING\" -->-->"));
  EXPECT_EQ(output_.Text(), "x=1-->");
}

TEST_F(SsiTextTest, FailedTextSendEndsTheDocument) {
  output_.failingSend = "b";
  EXPECT_FALSE(Process("a<!--#echo var=\"QUERY_STRING\" -->b<!--#echo var=\"QUERY_STRING\" -->c"));
  EXPECT_EQ(output_.Text(), "ax=1");
}

TEST_F(SsiTextTest, FailedSendInsideADirectiveDoesNotEndTheDocument) {
  output_.failingSend = "x=1";
  EXPECT_TRUE(Process("a<!--#echo var=\"QUERY_STRING\" -->b"));
  EXPECT_EQ(output_.Text(), "ab");
}

TEST_F(SsiTextTest, CommandWordSelectsTheFirstDirectiveItBegins) {
  dir_.Write("five.txt", "12345");
  settings_.cgiRules.clear();
  struct Case {
    const char *directive;
    const char *output;
    std::size_t programs;
  } const cases[] = {
      {"<!--#e var=\"QUERY_STRING\" -->", "x=1", 0},
      {"<!--# var=\"QUERY_STRING\" -->", "x=1", 0},  // an empty word is echo
      {"<!--#ECHO var=\"QUERY_STRING\" -->", "", 0},
      {"<!--#echoes var=\"QUERY_STRING\" -->", "", 0},
      {"<!--#echo\tvar=\"QUERY_STRING\" -->", "", 0},  // only 0x20 ends the word
      {"<!--#f file=\"five.txt\" sizefmt=\"bytes\" -->", "5 bytes", 0},
      {"<!--#c sizefmt=\"bytes\" --><!--#fs file=\"five.txt\" -->", "5", 0},
      {"<!--#ex cmd=\"true\" -->", "", 1},
      {"<!--#s var=\"A\" value=\"1\" --><!--#e var=\"a\" -->", "1", 0},
      {"<!--#printenv-->", "", 0},  // no blank behind the word: ignored
      {"<!--#zzz var=\"QUERY_STRING\" -->", "", 0},
  };
  for (const Case &c : cases) {
    test::RecordingOutput fresh;
    document_.output = &fresh;
    document_.sizeFormat = "abbrev";
    EXPECT_TRUE(Process(c.directive)) << c.directive;
    EXPECT_EQ(fresh.Text(), c.output) << c.directive;
    EXPECT_EQ(fresh.programs.size(), c.programs) << c.directive;
  }
}

TEST_F(SsiTextTest, PrintenvNeedsNoAttributesButABlank) {
  EXPECT_TRUE(Process("<!--#printenv -->"));
  EXPECT_EQ(output_.sends, (std::vector<std::string>{"QUERY_STRING=x=1", "\r\n"}));
}

}  // namespace
}  // namespace ruz
