// The UI's CP932 text unit and the value forms of the options pages.
#include <gtest/gtest.h>

#include "platform/text_codes.h"
#include "config/setting_fields.h"
#include "ui/qt_text.h"

namespace ruz {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(QtTextTest, CutKeepsWholeCharactersOfAtMostTheLimit) {
  const std::string a = Utf8ToCp932("あ");  // two bytes
  const std::string kana = "\xB1";          // half-width katakana: one byte
  struct Case {
    std::string text;
    std::size_t limit;
    std::string expected;
  };
  const Case cases[] = {
      {"abc", 2, "ab"},           {"abc", 10, "abc"},          {a + a, 3, a},
      {a + a, 4, a + a},          {"x" + a, 2, "x"},           {a, 1, ""},
      {kana + kana + a, 3, kana + kana},                       {"ab\x81", 3, "ab\x81"},
      {"", 5, ""},
  };
  for (const Case &c : cases) EXPECT_EQ(CutCp932(c.text, c.limit), c.expected) << c.limit;
}

TEST(QtTextTest, ConvertsBetweenCp932AndQString) {
  EXPECT_EQ(FromCp932(Utf8ToCp932("接続 ok")), u"接続 ok"_s);
  EXPECT_EQ(ToCp932(u"接続"_s), Utf8ToCp932("接続"));
  EXPECT_EQ(ToCp932(u"a\u00e9b\U0001F600"_s), "a?b?");  // characters CP932 lacks
}

TEST(OptionValuesTest, CommaFormJoinsItemsWhateverTheirBreaks) {
  EXPECT_EQ(CommaForm("a\rb"), "a,b");
  EXPECT_EQ(CommaForm("a\r\nb\nc"), "a,b,c");
  EXPECT_EQ(CommaForm("a\r\rb\r"), "a,,b,");
  EXPECT_EQ(CommaForm(" a \r"), " a ,");
}

}  // namespace
}  // namespace ruz
