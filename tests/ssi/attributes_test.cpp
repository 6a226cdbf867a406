// GetSsiAttribute: the exact name="value" syntax of directive attributes.
#include "ssi/attributes.h"

#include <gtest/gtest.h>

namespace ruz {
namespace {

struct AttributeCase {
  const char *attributes;
  const char *name;
  int found;
  const char *value;
};

TEST(GetSsiAttribute, ReadsOnlyTheExactNameEqualsQuoteForm) {
  const AttributeCase cases[] = {
      {" var=\"QUERY_STRING\" ", "var", 1, "QUERY_STRING"},
      {"  var=\"two blanks before\" ", "var", 1, "two blanks before"},
      {" var = \"blanks around\" ", "var", 0, ""},
      {" var='single' ", "var", 0, ""},
      {" var=\"first\" var=\"second\" ", "var", 1, "first"},
      {" file=\"a\" virtual=\"b\" ", "virtual", 1, "b"},
      {" xvar=\"a\" ", "var", 0, ""},
      {"var=\"no blank before\"", "var", 0, ""},
      {" VAR=\"x\" ", "var", 0, ""},
      {" var=\"\" ", "var", 1, ""},
      {" var=\"runs to the end", "var", 1, "runs to the end"},
      // The search does not know about values: the name may stand inside one.
      {" value=\" var=\"inner\" ", "var", 1, "inner"},
  };
  for (const AttributeCase &c : cases) {
    std::string value = "stale";
    EXPECT_EQ(GetSsiAttribute(c.attributes, value, c.name), c.found) << c.attributes;
    EXPECT_EQ(value, c.value) << c.attributes;
  }
}

}  // namespace
}  // namespace ruz
