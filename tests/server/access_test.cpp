// Host rules, Basic authentication and path mapping.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "http/access.h"
#include "http/connection_slot.h"
#include "http/request_info.h"

namespace ruz {
namespace {

RequestInfo Peer(const std::string &addr, const std::string &host, const std::string &path) {
  RequestInfo r;
  r.remoteAddr = addr;
  r.remoteHost = host;
  r.path = path;
  return r;
}

struct HostCase {
  const char *name;
  std::vector<AccessRule> rules;
  int dnsopt;
  std::string addr, host;
  bool refused;
};

TEST(CheckHostAccessTest, FollowsTheRulesInOrder) {
  const AccessRule lockPrivate{"/private/*", "", ""};
  const AccessRule allowLan{"*", "192.168.*", ""};
  const AccessRule allowLanAndNames{"*", "192.168.*\r*.lan", ""};
  const AccessRule deny10{"*", "", "10.*"};
  const AccessRule both{"*", "10.*", "10.0.0.*"};
  const AccessRule emptyPath{"", "", ""};
  const AccessRule allowLoopbackAndLinkLocal{"*", "::1\rfe80:*", ""};
  const HostCase cases[] = {
      {"locked path", {lockPrivate}, 0, "1.2.3.4", "1.2.3.4", true},
      {"allow-only admits a match", {allowLan}, 0, "192.168.1.5", "192.168.1.5", false},
      {"allow-only refuses others", {allowLan}, 0, "10.0.0.1", "10.0.0.1", true},
      {"allow-only admits at once", {allowLan, AccessRule{"*", "", ""}}, 0, "192.168.1.5",
       "192.168.1.5", false},
      {"names must match too", {allowLan}, 2, "192.168.1.5", "pc1.lan", true},
      {"names in the allow list", {allowLanAndNames}, 2, "192.168.1.5", "pc1.lan", false},
      {"names ignored without dnsopt 2", {allowLan}, 1, "192.168.1.5", "pc1.lan", false},
      {"deny-only refuses a match", {deny10}, 0, "10.0.0.1", "10.0.0.1", true},
      {"deny-only goes on", {deny10, lockPrivate}, 0, "1.1.1.1", "1.1.1.1", false},
      {"both lists: named in both", {both}, 0, "10.0.0.7", "10.0.0.7", true},
      {"both lists: allow only", {both}, 0, "10.1.0.1", "10.1.0.1", false},
      {"both lists: in neither", {both}, 0, "192.168.1.5", "192.168.1.5", false},
      {"empty path list applies nowhere", {emptyPath}, 0, "1.2.3.4", "1.2.3.4", false},
      {"IPv6 loopback admitted", {allowLoopbackAndLinkLocal}, 0, "::1", "::1", false},
      {"IPv6 pattern with colons", {allowLoopbackAndLinkLocal}, 0, "fe80::1:2", "fe80::1:2", false},
      {"other IPv6 refused", {allowLoopbackAndLinkLocal}, 0, "2001:db8::1", "2001:db8::1", true},
      {"IPv4 loopback is not ::1", {allowLoopbackAndLinkLocal}, 0, "127.0.0.1", "127.0.0.1", true},
  };
  for (const HostCase &c : cases) {
    ServerSettings s;
    s.accessRules = c.rules;
    s.dnsopt = c.dnsopt;
    const char *path = c.rules.front().path == "/private/*" ? "/private/x" : "/x";
    EXPECT_EQ(CheckHostAccess(s, Peer(c.addr, c.host, path)) == Admission::kRefused, c.refused)
        << c.name;
  }
  ServerSettings s;
  s.accessRules = {lockPrivate};
  EXPECT_EQ(CheckHostAccess(s, Peer("1.2.3.4", "1.2.3.4", "/public/x")), Admission::kAdmitted);
}

class BasicAuthTest : public ::testing::Test {
 protected:
  BasicAuthTest() {
    settings.users = {{"alice", "se:cret"}, {"bob", "pw"}};
    settings.authRules = {{"Members", "/members/*", "alice"}, {"Other", "*", "bob"}};
  }
  bool Admitted(const std::string &path, const std::string &authorization) {
    RequestInfo r;
    r.path = path;
    r.authorization = authorization;
    challenge.clear();
    return CheckBasicAuth(settings, r, challenge) == Admission::kAdmitted;
  }
  ServerSettings settings;
  std::string challenge;
};

TEST_F(BasicAuthTest, TheFirstMatchingRuleDecides) {
  EXPECT_FALSE(Admitted("/members/a", ""));
  EXPECT_EQ(challenge, "WWW-Authenticate: Basic realm=\"Members\"");
  EXPECT_TRUE(Admitted("/members/a", "Basic YWxpY2U6c2U6Y3JldA=="));  // alice:se:cret
  EXPECT_FALSE(Admitted("/members/a", "Basic Ym9iOnB3"));             // bob:pw, not in the rule
  EXPECT_TRUE(Admitted("/members/a", "bAsIc YWxpY2U6c2U6Y3JldA=="));  // the scheme ignores case
  for (const char *malformed : {"Basic YWxpY2U6c2U6Y3JldA=", "Basic YWxpY2U6c2U6Y3JldA==x",
                                "Basic YWxpY2U6c2U6Y3JldA==AAAA", "Basic YWxp=2U6c2U6Y3JldA==",
                                "Basic YWxpY2U6c2U6Y3JldA==="}) {
    EXPECT_FALSE(Admitted("/members/a", malformed)) << malformed;
  }
  EXPECT_FALSE(Admitted("/members/a", "Basic YWxpY2U6c2U="));  // alice:se, wrong password
  EXPECT_FALSE(Admitted("/members/a", "Basic YWxpY2U="));      // no colon
  EXPECT_TRUE(Admitted("/elsewhere", "Basic Ym9iOnB3"));
  EXPECT_EQ(challenge, "");
  settings.authRules[0].name = "a \"quoted\" \\ realm";
  EXPECT_FALSE(Admitted("/members/a", ""));
  EXPECT_EQ(challenge, "WWW-Authenticate: Basic realm=\"a \\\"quoted\\\" \\\\ realm\"");
}

TEST(AliasTest, MapsWholeSegmentsIgnoringCase) {
  ServerSettings s;
  s.alias = 1;
  s.root = "/srv/www";
  s.ruzalias = {{"/opt/manual", "/doc"}, {"/opt/b/", "/a/b"}, {"/opt/a", "/a"},
                {"/opt/pictures", "/pictures/"}};
  ConnectionSlot slot;
  slot.settings = &s;
  struct Case {
    const char *nqp, *local;
  } cases[] = {
      {"/doc/a.html", "/opt/manual/a.html"},
      {"/doc", "/opt/manual"},
      {"/doc/", "/opt/manual/"},
      {"/document/x", "/srv/www/document/x"},
      {"/DOC/a.html", "/opt/manual/a.html"},
      {"/a/b/c", "/opt/b/c"},
      {"/a/bc", "/opt/a/bc"},
      {"/pictures/a.jpg", "/opt/pictures/a.jpg"},
      {"/pictures/", "/opt/pictures/"},
      {"/pictures", "/srv/www/pictures"},
      {"/pictures_private/x", "/srv/www/pictures_private/x"},
      {"/dir/file.txt", "/srv/www/dir/file.txt"},
  };
  for (const Case &c : cases) {
    std::string local;
    MapRequestPath(local, c.nqp, slot);
    EXPECT_EQ(local, c.local) << c.nqp;
  }
  s.alias = 0;
  std::string local;
  MapRequestPath(local, "/doc/a.html", slot);
  EXPECT_EQ(local, "/srv/www/doc/a.html");
}

}  // namespace
}  // namespace ruz
