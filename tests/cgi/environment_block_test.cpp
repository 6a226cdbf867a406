// The environment block operations and the CGI variables of a request.
#include "cgi/environment_block.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "http/connection_slot.h"
#include "http/request_info.h"

namespace ruz {
namespace {

EnvironmentBlock BlockOf(std::initializer_list<std::pair<const char *, const char *>> entries) {
  EnvironmentBlock block;
  for (const auto &[name, value] : entries) EnvPut(block, name, value, false);
  return block;
}

std::vector<std::string> Entries(const EnvironmentBlock &block) {
  std::vector<std::string> out;
  for (std::string_view entry : EnvEntries(block)) out.emplace_back(entry);
  return out;
}

TEST(EnvironmentBlock, LengthCountsEveryEntryAndTheFinalZero) {
  EXPECT_EQ(EnvBlockLength(EnvironmentBlock{}), 1u);
  EXPECT_EQ(EnvBlockLength(BlockOf({{"A", "1"}})), 5u);
  EXPECT_EQ(EnvBlockLength(BlockOf({{"A", "1"}, {"BB", ""}})), 9u);
  EXPECT_EQ(BlockOf({{"A", "1"}}).bytes, std::string("A=1\0\0", 5));
}

TEST(EnvironmentBlock, GetMatchesWholeNamesIgnoringCase) {
  const EnvironmentBlock block = BlockOf({{"QUERY_STRING", "x=1"}, {"Q", "2"}, {"EMPTY", ""}});
  struct Case {
    const char *name;
    bool found;
    const char *value;
  } cases[] = {
      {"query_string", true, "x=1"}, {"QUERY", false, ""},   {"Q", true, "2"},
      {"EMPTY", true, ""},           {"MISSING", false, ""}, {"", false, ""},
  };
  for (const Case &c : cases) {
    std::string value = "stale";
    EXPECT_EQ(EnvGet(block, c.name, value), c.found) << c.name;
    EXPECT_EQ(value, c.value) << c.name;
  }
}

TEST(EnvironmentBlock, PutWithReplaceMovesTheEntryToTheEnd) {
  EnvironmentBlock block = BlockOf({{"A", "1"}, {"B", "2"}});
  EnvPut(block, "a", "3", true);
  EXPECT_EQ(Entries(block), (std::vector<std::string>{"B=2", "a=3"}));
  EXPECT_EQ(EnvBlockLength(block), block.bytes.size());
}

TEST(EnvironmentBlock, PutWithoutReplaceKeepsDuplicatesAndGetFindsTheFirst) {
  EnvironmentBlock block = BlockOf({{"A", "1"}, {"A", "2"}});
  std::string value;
  EXPECT_TRUE(EnvGet(block, "A", value));
  EXPECT_EQ(value, "1");
  EnvRemove(block, "a");
  EXPECT_EQ(Entries(block), (std::vector<std::string>{"A=2"}));
  EnvRemove(block, "A");
  EnvRemove(block, "A");  // nothing left to remove
  EXPECT_EQ(block.bytes, std::string(1, '\0'));
}

TEST(EnvironmentBlock, RemoveLeavesEntriesThatOnlyStartWithTheName) {
  EnvironmentBlock block = BlockOf({{"QUERY_STRING", "1"}, {"QUERY", "2"}});
  EnvRemove(block, "QUERY");
  EXPECT_EQ(Entries(block), (std::vector<std::string>{"QUERY_STRING=1"}));
}

TEST(EnvironmentBlock, ZeroByteInValueCannotSplitAnEntry) {
  EnvironmentBlock block;
  EnvPut(block, "A", std::string_view("x\0B=evil", 8), false);
  EnvPut(block, "C", "3", false);
  EXPECT_EQ(Entries(block), (std::vector<std::string>{"A=x", "C=3"}));
  std::string value;
  EXPECT_FALSE(EnvGet(block, "B", value));
}

class CgiEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.srvname = "www.example";
    settings.port = 8080;
    slot.settings = &settings;
    request.remoteAddr = "127.0.0.1";
    request.remoteHost = "client.example";
    request.remotePort = "50123";
    request.query = "x=1";
    request.method = "GET";
    request.path = "/cgi-bin/a.cgi";
    request.localPath = "/www/cgi-bin/a.cgi";
    request.userAgent = "tester";
  }

  std::vector<std::string> Build(bool inherit) {
    EnvironmentBlock block;
    BuildCgiEnvironment(block, slot, request, inherit);
    return Entries(block);
  }

  ServerSettings settings;
  ConnectionSlot slot;
  RequestInfo request;
};

TEST_F(CgiEnvironmentTest, HoldsTheRequestVariablesInOrderWithEmptyValues) {
  const std::vector<std::string> expected = {
      "REMOTE_ADDR=127.0.0.1",
      "REMOTE_HOST=127.0.0.1",
      "REMOTE_PORT=50123",
      "QUERY_STRING=x=1",
      "HTTP_USER_AGENT=tester",
      "REQUEST_METHOD=GET",
      "HTTP_ACCEPT=",
      "HTTP_HOST=",
      "SCRIPT_NAME=/cgi-bin/a.cgi",
      "SCRIPT_FILENAME=/www/cgi-bin/a.cgi",
      "PATH_INFO=/cgi-bin/a.cgi",
      "PATH_TRANSLATED=/www/cgi-bin/a.cgi",
      "HTTP_ACCEPT_ENCODING=",
      "HTTP_ACCEPT_LANGUAGE=",
      "CONTENT_LENGTH=",
      "HTTP_COOKIE=",
      "SERVER_NAME=www.example",
      "SERVER_PORT=8080",
      "SERVER_SOFTWARE=Ruzo'sWebserver/1.0",
      "GATEWAY_INTERFACE=CGI/1.1",
      "CONTENT_TYPE=",
      "HTTP_REFERER=",
  };
  EXPECT_EQ(Build(false), expected);
}

TEST_F(CgiEnvironmentTest, RemoteHostFollowsDnsopt) {
  struct Case {
    int dnsopt;
    const char *entry;  // nullptr: no REMOTE_HOST at all
  } cases[] = {{0, "REMOTE_HOST=127.0.0.1"}, {2, "REMOTE_HOST=client.example"}, {3, nullptr}};
  for (const Case &c : cases) {
    settings.dnsopt = c.dnsopt;
    const std::vector<std::string> entries = Build(false);
    if (c.entry) {
      EXPECT_EQ(entries.size(), 22u) << c.dnsopt;
      EXPECT_EQ(entries[1], c.entry) << c.dnsopt;
    } else {
      EXPECT_EQ(entries.size(), 21u);
      EXPECT_EQ(entries[1], "REMOTE_PORT=50123");
    }
  }
}

TEST_F(CgiEnvironmentTest, InheritedVariablesComeFirstAndAreNotReplaced) {
  ::setenv("QUERY_STRING", "inherited", 1);
  const std::vector<std::string> entries = Build(true);
  ::unsetenv("QUERY_STRING");
  ASSERT_GT(entries.size(), 22u);
  const auto first = std::find(entries.begin(), entries.end(), "QUERY_STRING=inherited");
  const auto second = std::find(entries.begin(), entries.end(), "QUERY_STRING=x=1");
  ASSERT_NE(first, entries.end());
  ASSERT_NE(second, entries.end());
  EXPECT_LT(first, second);
  EXPECT_EQ(entries.back(), "HTTP_REFERER=");
  EXPECT_EQ(entries[entries.size() - 22], "REMOTE_ADDR=127.0.0.1");
}

}  // namespace
}  // namespace ruz
