// Splitting a command line and expanding %filepath% and %query% in its arguments.
#include "cgi/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_codes.h"

namespace ruz {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheQuoteAndBackslashRules) {
  struct Case {
    const char *line;
    Args expected;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"perl  a.pl\tb", {"perl", "a.pl", "b"}},
      {"\"/my dir/a.cgi\" \"x y\"", {"/my dir/a.cgi", "x y"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"\" x", {"", "x"}},
      {"\"unterminated rest", {"unterminated rest"}},
      {R"(a\"b)", {"a\"b"}},
      {R"(a\\"b c")", {"a\\b c"}},
      {R"(a\\\"b)", {"a\\\"b"}},
      {R"(C:\dir\file x)", {"C:\\dir\\file", "x"}},
      {R"("a\\" b)", {"a\\", "b"}},
  };
  for (const Case &c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.expected) << c.line;
}

TEST(SplitCommandLine, NeverTakesTheSecondByteOfADoubleByteCharacterForABackslash) {
  // "ソ" is 0x83 0x5C in CP932; its second byte equals "\".
  const std::string so = RUZ_CP932("ソ");
  ASSERT_EQ(so, "\x83\x5C");
  EXPECT_EQ(SplitCommandLine("\"" + so + "\" b"), (Args{so, "b"}));
}

TEST(ExpandCommandLine, ReplacesTokensInsideEachArgument) {
  EXPECT_EQ(ExpandCommandLine("\"%filepath%\" \"%query%\"", "/www/a b.cgi", "x=1"),
            (Args{"/www/a b.cgi", "x=1"}));
  EXPECT_EQ(ExpandCommandLine("perl %FilePath% --q=%QUERY%", "/w/a.pl", "k"),
            (Args{"perl", "/w/a.pl", "--q=k"}));
}

TEST(ExpandCommandLine, DoublesPercentSignsOfValuesAndHonoursTheEscape) {
  EXPECT_EQ(ExpandCommandLine("\"%filepath%\" \"%query%\"", "/w/x.cgi", "a%20b"),
            (Args{"/w/x.cgi", "a%%20b"}));
  EXPECT_EQ(ExpandCommandLine("prog %%filepath% %%%query%", "/w/x.cgi", "q"),
            (Args{"prog", "%%filepath%", "%%q"}));
}

TEST(ExpandCommandLine, QueryWithQuotesOrBlanksCannotAddArguments) {
  const Args args = ExpandCommandLine("\"%filepath%\" \"%query%\"", "/w/x.cgi", "a\" \"--evil b");
  EXPECT_EQ(args, (Args{"/w/x.cgi", "a\" \"--evil b"}));
  // A value holding a token's text is not expanded again by the later token.
  EXPECT_EQ(ExpandCommandLine("%filepath%", "/w/%query%", "q"), (Args{"/w/%%query%%"}));
}

}  // namespace
}  // namespace ruz
