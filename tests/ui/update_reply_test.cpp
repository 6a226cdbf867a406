// The update reply rules: the 256-byte reception limit, the body behind the
// header block, the version comparison and the updatehost text.
#include <gtest/gtest.h>

#include <string>

#include "ui/update_reply.h"

namespace ruz {
namespace {

TEST(UpdateReplyTest, ChunkThatWouldReachTheLimitIsDroppedAndEndsReception) {
  struct Case {
    std::size_t have, chunk;
    bool kept;
  };
  const Case cases[] = {
      {0, 254, true},    // 0 + 254 + 1 = 255
      {0, 255, false},   // a first chunk of 255 bytes is already too much
      {100, 154, true},  // exactly 254 bytes kept
      {100, 155, false},
      {254, 1, false},   // nothing more fits
  };
  for (const Case &c : cases) {
    std::string reply(c.have, 'a');
    EXPECT_EQ(AppendReplyChunk(reply, std::string(c.chunk, 'b')), c.kept) << c.have << "+" << c.chunk;
    EXPECT_EQ(reply.size(), c.kept ? c.have + c.chunk : c.have);
  }
}

TEST(UpdateReplyTest, BodyIsWhatFollowsTheFirstBlankLine) {
  std::string body = "untouched";
  EXPECT_FALSE(ExtractReplyBody("HTTP/1.0 200 OK\r\nA: b\r\n", body));
  EXPECT_FALSE(ExtractReplyBody("HTTP/1.0 200 OK\n\nRuzo'sWebserver/1.0", body));
  EXPECT_EQ(body, "untouched");
  EXPECT_TRUE(ExtractReplyBody("HTTP/1.0 200 OK\r\n\r\nv1\r\n\r\nrest", body));
  EXPECT_EQ(body, "v1\r\n\r\nrest");
  EXPECT_TRUE(ExtractReplyBody("\r\n\r\n", body));
  EXPECT_EQ(body, "");
}

TEST(UpdateReplyTest, OnlyTheExactServerNameMeansNoNewVersion) {
  EXPECT_FALSE(OffersNewVersion("Ruzo'sWebserver/1.0"));
  for (const char *body : {"Ruzo'sWebserver/1.0\r\n", "Ruzo'sWebserver/1.1", "ruzo'swebserver/1.0",
                           "", "<html>404 Not Found</html>"})
    EXPECT_TRUE(OffersNewVersion(body)) << body;
}

TEST(UpdateReplyTest, HostTextTakesAnOptionalPort) {
  UpdateHost host;
  ASSERT_TRUE(ParseUpdateHost("updates.example.invalid", host));
  EXPECT_EQ(host.host, "updates.example.invalid");
  EXPECT_EQ(host.port, 80);
  ASSERT_TRUE(ParseUpdateHost("127.0.0.1:8081", host));
  EXPECT_EQ(host.host, "127.0.0.1");
  EXPECT_EQ(host.port, 8081);
  for (const char *bad : {"", ":80", "host:", "host:0", "host:65536", "host:8x"})
    EXPECT_FALSE(ParseUpdateHost(bad, host)) << bad;
}

}  // namespace
}  // namespace ruz
