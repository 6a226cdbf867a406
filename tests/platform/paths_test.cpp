// Path helpers in POSIX form and the program directory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "support/temp_dir.h"

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

// Sets or (with nullptr) removes an environment variable until the end of the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char *name, const char *value) : name_(name) {
    const char *old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

 private:
  const char *name_;
  bool had_ = false;
  std::string old_;
};

TEST(PathsTest, UserProgramFolderFollowsXdgConfigHomeThenHome) {
  struct Case {
    const char *xdg;
    const char *home;
    const char *folder;
  };
  const Case cases[] = {
      {"/cfg", "/home/u", "/cfg/ruz"},         {"/cfg/", "/home/u", "/cfg/ruz"},
      {nullptr, "/home/u", "/home/u/.config/ruz"}, {"", "/home/u", "/home/u/.config/ruz"},
      {"relative", "/home/u", "/home/u/.config/ruz"}, {nullptr, nullptr, ""},
      {nullptr, "relative", ""},
  };
  for (const Case &c : cases) {
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(UserProgramFolder(), c.folder) << (c.xdg ? c.xdg : "-") << " " << (c.home ? c.home : "-");
  }
}

// Help files: beside the executable, then the program folder, then the
// installed data folder; a folder of the file's name does not count.
TEST(PathsTest, FindFileInFoldersTakesTheFirstFolderHoldingTheFile) {
  struct Case {
    const char *present;  // per folder: f a file, d a folder of that name, - nothing
    int found;            // index of the folder found, -1 for none
  };
  const Case cases[] = {{"fff", 0}, {"-ff", 1}, {"--f", 2}, {"f-f", 0}, {"df-", 1}, {"d-d", -1},
                        {"---", -1}};
  for (const Case &c : cases) {
    TempDir temp;
    std::vector<std::string> folders;
    for (int i = 0; i < 3; ++i) {
      const std::string folder = temp.File(std::to_string(i));
      folders.push_back(folder);
      std::filesystem::create_directories(folder);
      if (c.present[i] == 'f') temp.Write(std::to_string(i) + "/ruz.html", "");
      if (c.present[i] == 'd') std::filesystem::create_directories(folder + "/ruz.html");
    }
    const std::string expected = c.found < 0 ? "" : folders[c.found] + "/ruz.html";
    EXPECT_EQ(FindFileInFolders("ruz.html", folders), expected) << c.present;
  }
}

}  // namespace
}  // namespace ruz
