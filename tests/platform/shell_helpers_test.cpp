// Wildcard matching, URL unescaping and short byte sizes against the
// reference behaviour of the shell helpers they reproduce.
#include <gtest/gtest.h>

#include "platform/byte_size.h"
#include "platform/text_codes.h"
#include "platform/url.h"
#include "platform/wildcard.h"

namespace ruz {
namespace {

struct MatchCase {
  const char *text;
  const char *patterns;
  bool matches;
};

TEST(PathMatchSpecTest, FollowsTheShellPatternRules) {
  const MatchCase cases[] = {
      {"/private/", "/private/*", true},
      {"/private/a/b", "/private/*", true},
      {"/private", "/private/*", false},
      {"192.168.1.5", "192.168.*", true},
      {"pc1.lan", "*.LAN", true},
      {"ac", "a?c", false},
      {"abc", "a?c", true},
      {"readme", "*.*", true},
      {"readme", "*.txt;*.*", false},
      {"a.txt", "*.txt;*.*", true},
      {"x.gif", "*.jpg; *.gif", true},       // leading blanks of a pattern skipped
      {"x.gif", "*.jpg;*.gif ", false},      // trailing blanks are significant
      {"x.gif ", "*.jpg;*.gif ", true},
      {"anything", "", false},
      {"", "", false},
      {"", "*", true},
      {"abc", "abc;", true},
      {"abc", ";abc", true},
      {"abc", "a*b*c*", true},
      {"aXbYc", "a*b*c", true},
      {"acb", "a*b*c", false},
      {"abcabd", "*abd", true},
      {"", ";", false},
  };
  for (const MatchCase &c : cases) {
    EXPECT_EQ(PathMatchSpec(c.text, c.patterns), c.matches) << c.text << " ~ " << c.patterns;
  }
}

TEST(PathMatchSpecTest, TreatsDoubleByteCharactersAsOneAndExact) {
  const std::string &a = RUZ_CP932("ア");    // 83 41
  const std::string &di = RUZ_CP932("ヂ");   // 83 61
  EXPECT_TRUE(PathMatchSpec(a + ".txt", "?.txt"));
  EXPECT_FALSE(PathMatchSpec(a, di));  // the trail bytes differ only by letter case
  EXPECT_TRUE(PathMatchSpec("/" + a + "/x", "/?/*"));
  EXPECT_FALSE(PathMatchSpec(a + "b", "??b"));
}

TEST(UrlUnescapeTest, DecodesOnlyPercentWithTwoHexDigitsInOnePass) {
  const std::pair<const char *, const char *> cases[] = {
      {"/a%20b", "/a b"},     {"%41%6a%4A", "AjJ"},  {"a+b", "a+b"},
      {"%zz", "%zz"},         {"abc%4", "abc%4"},    {"%", "%"},
      {"%2541", "%41"},       {"a?b=%41#%42", "a?b=A#B"},
      {"%E3%81%82", "\xE3\x81\x82"},
  };
  for (const auto &[in, out] : cases) {
    EXPECT_EQ(UrlUnescape(in), out) << in;
  }
}

TEST(CanonicalRequestPathTest, FoldsSlashRunsAndDotSegmentsOnly) {
  const std::pair<const char *, const char *> cases[] = {
      {"/", "/"},
      {"//private/a", "/private/a"},
      {"/./private/a", "/private/a"},
      {"/a//.//b", "/a/b"},
      {"/a/.", "/a/"},
      {"/.", "/"},
      {"/a/.//../b", "/a/../b"},
      {"/a/..", "/a/.."},
      {"/.hidden/x.", "/.hidden/x."},
      {"/a\\.\\b", "/a\\.\\b"},
      {"/\x95\x5c/./x", "/\x95\x5c/x"},
  };
  for (const auto &[in, out] : cases) {
    EXPECT_EQ(CanonicalRequestPath(in), out) << in;
  }
}

TEST(FormatByteSizeTest, KeepsThreeSignificantDigitsTruncated) {
  const std::pair<std::uint64_t, const char *> cases[] = {
      {0, "0 bytes"},          {1, "1 bytes"},          {1023, "1023 bytes"},
      {1024, "1.00 KB"},       {1330, "1.29 KB"},       {10000, "9.76 KB"},
      {10240, "10.0 KB"},      {123456, "120 KB"},      {1022286, "998 KB"},
      {1024000, "0.97 MB"},    {1048576, "1.00 MB"},    {1500000, "1.43 MB"},
      {12345678, "11.7 MB"},   {1073741824, "1.00 GB"}, {4294967295ull, "3.99 GB"},
      {1099511627776ull, "1.00 TB"},
  };
  for (const auto &[size, text] : cases) {
    EXPECT_EQ(FormatByteSize(size), text) << size;
  }
}

}  // namespace
}  // namespace ruz
