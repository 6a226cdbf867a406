// The multi-line text operations and AppendToFile.
#include <gtest/gtest.h>

#include "common/append_file.h"
#include "common/lines.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

TEST(LinesTest, GetLineSplitsAtCrLfAndCrLf) {
  const char *text = "a\r\nb\rc\n\nd\r\n";
  const char *expected[] = {"a", "b", "c", "", "d"};
  std::string line;
  for (int n = 0; n < 5; ++n) {
    EXPECT_TRUE(GetLine(line, text, n)) << n;
    EXPECT_EQ(line, expected[n]) << n;
  }
  line = "stale";
  EXPECT_FALSE(GetLine(line, text, 5));  // the final break opens no line
  EXPECT_EQ(line, "");
  EXPECT_FALSE(GetLine(line, "", 0));
  EXPECT_FALSE(GetLine(line, "a", -1));
  EXPECT_TRUE(GetLine(line, "\r\n", 0));
}

TEST(LinesTest, CountsLineBreaksLikeGetLine) {
  const std::pair<const char *, int> cases[] = {
      {"", 0}, {"a", 0}, {"a\r\n", 1}, {"a\r\nb", 1}, {"\r\r", 2}, {"\n\r", 2}, {"a\rb\nc\r\n", 3},
  };
  for (const auto &[text, count] : cases) {
    EXPECT_EQ(CountLineBreaks(text), count) << text;
  }
}

TEST(LinesTest, FindLineExactlyOrByWildcard) {
  EXPECT_EQ(FindLine("index.html\rindex.htm", "index.htm", false), 1);
  EXPECT_EQ(FindLine("index.html\rindex.htm", "INDEX.HTM", false), -1);
  EXPECT_EQ(FindLine("", "", false), -1);
  EXPECT_EQ(FindLine("a\r\n\r\nb", "", false), 1);
  EXPECT_EQ(FindLine("/cgi-bin/*\r\n/tmp/*", "/tmp/x", true), 1);
  EXPECT_EQ(FindLine("*.CGI\r*.pl", "/a/b.cgi", true), 0);
  EXPECT_EQ(FindLine("*.cgi", "/a/b.txt", true), -1);
}

TEST(LinesTest, ReplaceAllNeverSearchesAReplacementAgain) {
  struct Case {
    std::string text;
    const char *searched;
    const char *replacement;
    const char *expected;
  } cases[] = {
      {"\r\r\r", "\r\r", "\r", "\r\r"},
      {"a,b,,c", ",", "\r\n", "a\r\nb\r\n\r\nc"},
      {"%HOST% and %host%", "%Host%", "x", "x and x"},
      {"aaa", "a", "aa", "aaaaaa"},
      {"abc", "", "x", "abc"},
  };
  for (Case &c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.searched, c.replacement), c.expected);
  }
}

TEST(LinesTest, SetLineAppendsAndReplaces) {
  struct Case {
    const char *block;
    const char *line;
    int index;
    const char *expected;
  } cases[] = {
      {"", "A: 1", -1, "A: 1"},
      {"Date: x", "A: 1", -1, "Date: x\r\nA: 1"},
      {"\r\nX", "A: 1", -1, "\r\nXA: 1"},
      {"A: 1\r\nB: 2\r\nC: 3", "B: 9", 1, "A: 1\r\nB: 9\r\nC: 3"},
      {"A: 1\nB: 2\rC: 3", "A: 9", 0, "A: 9\r\nB: 2\rC: 3"},
      {"A: 1\r\nB: 2", "B: 9", 1, "A: 1\r\nB: 9"},
      {"A: 1", "B: 9", 4, "A: 1"},
  };
  for (const Case &c : cases) {
    std::string block = c.block;
    SetLine(block, c.line, c.index, c.index >= 0);
    EXPECT_EQ(block, c.expected) << c.block;
  }
}

TEST(LinesTest, ReplaceCharReplacesEveryByte) {
  std::string text = "a,b,,c";
  ReplaceChar(text, ',', '\r');
  EXPECT_EQ(text, "a\rb\r\rc");
}

TEST(AppendToFileTest, AppendsCreatesAndDropsSilently) {
  TempDir dir;
  std::string path = dir.File("access.log");
  AppendToFile(path, "one\r\n");
  AppendToFile(path, "two\r\n");
  AppendToFile(dir.File("missing/access.log"), "dropped");
  std::string content;
  ASSERT_TRUE(ReadWholeFile(path, content));
  EXPECT_EQ(content, "one\r\ntwo\r\n");
  EXPECT_FALSE(GetFileInfo(dir.File("missing")).exists);
}

}  // namespace
}  // namespace ruz
