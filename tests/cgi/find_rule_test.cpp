// Choosing the CGI rule of a file: extension list, file-header prefix, last rule wins.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cgi/cgi.h"
#include "config/settings.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

class FindCgiRuleTest : public ::testing::Test {
 protected:
  std::string File(const std::string &name, const std::string &content) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  void AddRule(const char *extension, const char *fileheader) {
    settings_.cgiRules.push_back(CgiRule{extension, fileheader, "sh %filepath%"});
  }

  TempDir temp_;
  std::filesystem::path dir_{temp_.Path()};
  ServerSettings settings_;
};

TEST_F(FindCgiRuleTest, ExtensionAndFileHeaderPickTheLastMatchingRule) {
  AddRule(".cgi\r.pl", "");
  AddRule(".cgi", "#!");
  struct Case {
    std::string path;
    int rule;
  } cases[] = {
      {File("script.cgi", "#!/bin/sh\n"), 1},
      {File("plain.cgi", "echo\n"), 0},
      {File("short.cgi", "#"), 0},  // shorter than the prefix: no match
      {File("empty.cgi", ""), 0},
      {File("tool.pl", "#!/usr/bin/perl\n"), 0},
      {File("upper.CGI", "#!/bin/sh\n"), -1},  // letter case of the extension counts
      {File("noext", "#!/bin/sh\n"), -1},
      {File("page.html", "#!"), -1},
  };
  for (const Case &c : cases) EXPECT_EQ(FindCgiRule(settings_, c.path), c.rule) << c.path;
}

TEST_F(FindCgiRuleTest, FileHeaderComparesLetterCase) {
  AddRule(".cgi", "#!PERL");
  EXPECT_EQ(FindCgiRule(settings_, File("a.cgi", "#!perl")), -1);
  EXPECT_EQ(FindCgiRule(settings_, File("b.cgi", "#!PERL and more")), 0);
}

TEST_F(FindCgiRuleTest, EmptyExtensionListMatchesNothing) {
  AddRule("", "");
  EXPECT_EQ(FindCgiRule(settings_, File("a.cgi", "x")), -1);
  EXPECT_EQ(FindCgiRule(settings_, File("noext", "x")), -1);
}

TEST_F(FindCgiRuleTest, UnreadableFileEndsTheSearchEvenAfterAMatch) {
  AddRule(".cgi", "");
  AddRule(".cgi", "#!");
  AddRule(".cgi", "");
  // Opening succeeds but reading fails: the memory file of a process at offset 0.
  const std::string unreadable = (dir_ / "mem.cgi").string();
  std::filesystem::create_symlink("/proc/self/mem", unreadable);
  EXPECT_EQ(FindCgiRule(settings_, unreadable), -2);
  EXPECT_EQ(FindCgiRule(settings_, (dir_ / "missing.cgi").string()), -2);
}

}  // namespace
}  // namespace ruz
