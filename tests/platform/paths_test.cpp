// Path helpers in POSIX form and the program directory.
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/paths.h"

namespace ruz {
namespace {

TEST(PathsTest, FindsTheExtensionOfTheLastComponent) {
  const std::pair<const char *, const char *> cases[] = {
      {"/www/index.html", ".html"}, {"a.tar.gz", ".gz"},     {".htaccess", ".htaccess"},
      {"/www/readme", ""},          {"/a.b/readme", ""},      {"name.a b", ""},
      {"a. b.c", ".c"},             {"dir/", ""},             {"file.", "."},
  };
  for (const auto &[path, extension] : cases) {
    EXPECT_EQ(PathFindExtension(path), extension) << path;
  }
}

TEST(PathsTest, FindsTheFileName) {
  const std::pair<const char *, const char *> cases[] = {
      {"/www/index.html", "index.html"}, {"index.html", "index.html"},
      {"/a/b/", "b/"},                   {"/", ""},
      {"", ""},
  };
  for (const auto &[path, name] : cases) {
    EXPECT_EQ(PathFindFileName(path), name) << path;
  }
}

TEST(PathsTest, RemovesTheFileSpecButNeverTheRoot) {
  const std::pair<const char *, const char *> cases[] = {
      {"/srv/ruz/ruz", "/srv/ruz"}, {"/srv/", "/srv"}, {"/srv", "/"},
      {"/", "/"},                   {"name", ""},      {"a/b", "a"},
  };
  for (const auto &[path, dir] : cases) {
    EXPECT_EQ(PathRemoveFileSpec(path), dir) << path;
  }
}

struct JoinCase {
  const char *base;
  const char *part;
  const char *combined;  // PathCombine
  const char *appended;  // PathAppend
};

TEST(PathsTest, CombinesAndAppendsWithResolvedDots) {
  const JoinCase cases[] = {
      {"/srv", "www", "/srv/www", "/srv/www"},
      {"/srv", "/web", "/web", "/srv/web"},
      {"/srv/ruz", "../logs/access.log", "/srv/logs/access.log", "/srv/logs/access.log"},
      {"/srv", "", "/srv", "/srv"},
      {"/srv", ".", "/srv/", "/srv/"},
      {"/srv", "www/", "/srv/www/", "/srv/www/"},
      {"/srv", "a/./b//c", "/srv/a/b/c", "/srv/a/b/c"},
      {"/srv", "../../../etc", "/etc", "/etc"},
      {"/", "..", "/", "/"},
      {"/srv/", "//x", "/x", "/srv/x"},
  };
  for (const JoinCase &c : cases) {
    EXPECT_EQ(PathCombine(c.base, c.part), c.combined) << c.base << " + " << c.part;
    EXPECT_EQ(PathAppend(c.base, c.part), c.appended) << c.base << " + " << c.part;
  }
}

TEST(PathsTest, ProgramDirectoryIsTheExecutablesUnlessSet) {
  std::string original = ProgramDirectory();
  char exe[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  EXPECT_EQ(original, PathRemoveFileSpec(exe));

  SetProgramDirectory("/tmp/home/");
  EXPECT_EQ(ProgramDirectory(), "/tmp/home");
  SetProgramDirectory("/tmp/a/../b");
  EXPECT_EQ(ProgramDirectory(), "/tmp/b");
  SetProgramDirectory(original);
}

}  // namespace
}  // namespace ruz
