// A real Perl CGI program using the CGI module: a GET with a query and a POSTed form.
#include <gtest/gtest.h>

#include <string>

#include "integration/harness.h"

namespace ruz::test {
namespace {

constexpr const char *kFormScript = R"(#!/usr/bin/perl
use strict;
use warnings;
use CGI;

my $q = CGI->new;
print $q->header(-type => 'text/plain', -charset => 'utf-8');
print 'method=', $q->request_method, "\n";
for my $name (sort $q->param) {
  print $name, '=', join(',', $q->multi_param($name)), "\n";
}
)";

class PerlCgiTest : public ServerTest {
 protected:
  void SetUp() override {
    SetKey("running", "1");
    AddSections("[cgi0]\nextension=.pl,.cgi\nfileheader=\ncmdline=perl %filepath% %query%\n");
    WriteFile("www/cgi-bin/form.pl", kFormScript);
    StartServer();
  }
};

TEST_F(PerlCgiTest, GetWithAQueryReadsTheParameters) {
  const HttpResponse response = Get("/cgi-bin/form.pl?name=Ruzo%20san&tag=a&tag=b");
  ASSERT_EQ(response.status, 200) << response.raw;
  EXPECT_EQ(response.Header("Content-Type"), "text/plain; charset=utf-8");
  EXPECT_EQ(response.Header("Cache-Control"), "no-cache");
  EXPECT_EQ(response.body, "method=GET\nname=Ruzo san\ntag=a,b\n");
}

TEST_F(PerlCgiTest, PostedFormIsReadFromTheBody) {
  const std::string form = "name=%E6%97%A5%E6%9C%AC&comment=one+two%26three";
  const HttpResponse response = Request(
      "POST /cgi-bin/form.pl HTTP/1.1\r\nHost: localhost\r\n"
      "Content-Type: application/x-www-form-urlencoded\r\n"
      "Content-Length: " +
      std::to_string(form.size()) + "\r\n\r\n" + form);
  ASSERT_EQ(response.status, 200) << response.raw;
  EXPECT_EQ(response.body, "method=POST\ncomment=one two&three\nname=日本\n");
}

}  // namespace
}  // namespace ruz::test
