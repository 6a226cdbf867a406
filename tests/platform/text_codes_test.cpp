// CP932 conversions, the code guesser, Base64 and CP932-aware case folding.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/text_codes.h"

namespace ruz {
namespace {

TEST(TextCodesTest, ConvertsBetweenCp932AndUtf8) {
  EXPECT_EQ(RUZ_CP932("接続"), "\x90\xDA\x91\xB1");
  EXPECT_EQ(Cp932ToUtf8("\x90\xDA\x91\xB1"), "接続");
  EXPECT_EQ(Cp932ToUtf8("\xB1"), "ｱ");  // half-width kana is one byte
  EXPECT_EQ(Utf8ToCp932("abc/ア"), "abc/\x83\x41");
}

TEST(TextCodesTest, ReplacesWhatCannotBeConverted) {
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80" "b"), "a?b");  // emoji: not in CP932
  EXPECT_EQ(Utf8ToCp932("a\xFF" "b"), "a?b");              // not UTF-8
  EXPECT_EQ(Cp932ToUtf8("a\x81"), "a\xEF\xBF\xBD");        // lead byte without trail
}

struct GuessCase {
  const char *name;
  std::string input;
  std::string expected;
};

TEST(TextCodesTest, GuessesTheCodeAndConvertsToCp932) {
  const std::string sjis = RUZ_CP932("日本語ｶﾅ");
  const GuessCase cases[] = {
      {"ascii", "/index.html?a=1", "/index.html?a=1"},
      {"utf8", "/日本語ｶﾅ", "/" + sjis},
      {"cp932", "/" + sjis, "/" + sjis},
      // 日本 in EUC-JP, then a half-width kana (8E B6)
      {"euc-jp", "/\xC6\xFC\xCB\xDC\x8E\xB6", "/" + RUZ_CP932("日本ｶ")},
      // 日本 in ISO-2022-JP, then back to ASCII
      {"iso-2022-jp", "/\x1B$BF|K\\\x1B(B.txt", "/" + RUZ_CP932("日本") + ".txt"},
      {"half-width kana escape", "\x1B(I6\x1B(B", "\xB6"},
      {"utf8 not in cp932", "/\xF0\x9F\x98\x80", "/\xF0\x9F\x98\x80"},
      {"garbage", "\xFF\xFE\xFD", "\xFF\xFE\xFD"},
      {"unknown escape", "\x1B$Zab", "\x1B$Zab"},
  };
  for (const GuessCase &c : cases) {
    std::string result = ConvertToCp932Guessing(c.input);
    EXPECT_EQ(result, c.expected) << c.name;
    EXPECT_LE(result.size(), c.input.size()) << c.name;
  }
}

TEST(TextCodesTest, DecodesBase64AndCredentials) {
  EXPECT_EQ(DecodeBase64("dXNlcjpwYXNz"), "user:pass");
  EXPECT_EQ(DecodeBase64("YQ=="), "a");
  EXPECT_EQ(DecodeBase64("YQ"), "a");
  EXPECT_EQ(DecodeBase64("YWJj ZGVm"), "abc");  // stops at the blank
  EXPECT_EQ(DecodeBase64(""), "");
  // "ユーザ:pw" sent by a browser in UTF-8 matches the CP932 name of the ini file.
  EXPECT_EQ(DecodeBase64ToCp932("44Om44O844K2OnB3"), RUZ_CP932("ユーザ") + ":pw");
}

TEST(TextCodesTest, FoldsLetterCaseOfSingleByteCharactersOnly) {
  const std::string &a = RUZ_CP932("ア");   // 83 41
  const std::string &di = RUZ_CP932("ヂ");  // 83 61
  EXPECT_TRUE(EqualsIgnoreCase("Content-Type", "content-TYPE"));
  EXPECT_FALSE(EqualsIgnoreCase("abc", "abcd"));
  EXPECT_FALSE(EqualsIgnoreCase(a, di));
  EXPECT_TRUE(EqualsIgnoreCase(a + "x", a + "X"));
  EXPECT_EQ(FindIgnoreCase("xxHOSTyy", "host"), 2u);
  EXPECT_EQ(FindIgnoreCase("abab", "AB", 1), 2u);
  EXPECT_EQ(FindIgnoreCase("abc", "d"), std::string::npos);
  // "A" must not be found inside ア, whose trail byte is 0x41.
  EXPECT_EQ(FindIgnoreCase(a + "a", "A"), 2u);
  EXPECT_EQ(FindIgnoreCase("x", ""), 0u);
  // A lead byte before a byte that cannot be a trail byte stands alone.
  EXPECT_EQ(FindIgnoreCase("\xF2%%", "%%"), 1u);
  EXPECT_EQ(FindIgnoreCase("\xF2\xF2\xF2%%ua", "%%"), 3u);
}

TEST(TextCodesTest, ConvertsOnSeveralThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&failures, t] {
      for (int i = 0; i < 500; ++i) {
        if (Cp932ToUtf8(Utf8ToCp932("接続テスト")) != "接続テスト") ++failures[t];
        if (ConvertToCp932Guessing("/日本") != Utf8ToCp932("/日本")) ++failures[t];
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  for (int f : failures) {
    EXPECT_EQ(f, 0);
  }
}

}  // namespace
}  // namespace ruz
