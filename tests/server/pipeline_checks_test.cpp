// The pure checks of the request pipeline.
#include <gtest/gtest.h>

#include "server/pipeline.h"

namespace ruz {
namespace {

TEST(PipelineChecksTest, MethodsAreCaseSensitive) {
  EXPECT_TRUE(IsSupportedMethod("GET"));
  EXPECT_TRUE(IsSupportedMethod("POST"));
  EXPECT_TRUE(IsSupportedMethod("HEAD"));
  EXPECT_FALSE(IsSupportedMethod("get"));
  EXPECT_FALSE(IsSupportedMethod("PUT"));
  EXPECT_FALSE(IsSupportedMethod(""));
}

TEST(PipelineChecksTest, PathFormRefusesEveryDangerousShape) {
  struct Case {
    std::string path;
    bool valid;
  } cases[] = {
      {"/", true},
      {"/a/b.html", true},
      {"/a..b/c", true},
      {"", false},
      {"a/b", false},
      {"/a/../b", false},
      {"/a/..\\b", false},
      {"/file.", false},
      {"/file ", false},
      {"/a\r\nLocation: x", false},
      {std::string("/a\0b", 4), false},
      {"/a\x7f", false},
      {"/a\x1f", false},
  };
  for (const Case &c : cases) EXPECT_EQ(HasValidPathForm(c.path), c.valid) << c.path;
}

TEST(PipelineChecksTest, ExtensionIsTakenFromTheLastComponent) {
  EXPECT_EQ(LastExtension("/www/page.SHTML"), ".SHTML");
  EXPECT_EQ(LastExtension("/www/a.b/file"), "");
  EXPECT_EQ(LastExtension("/www/archive.tar.gz"), ".gz");
  EXPECT_EQ(LastExtension("/www/.hidden"), ".hidden");
  EXPECT_TRUE(IsAbsoluteIndexItem("/pages/home.html"));
  EXPECT_FALSE(IsAbsoluteIndexItem("index.html"));
}

}  // namespace
}  // namespace ruz
