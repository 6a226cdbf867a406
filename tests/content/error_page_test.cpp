// Choosing the custom error page for a status code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/settings.h"
#include "content/error_page.h"

namespace ruz {
namespace {

namespace fs = std::filesystem;

class ErrorPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ruz_error_page_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    std::ofstream(dir_ / "404.html") << "<p>missing</p>";
    settings_.errpage = 1;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const char *name) const { return (dir_ / name).string(); }

  fs::path dir_;
  ServerSettings settings_;
};

TEST_F(ErrorPageTest, TakesTheFirstEntryForTheCodeWhoseFileExists) {
  settings_.errorPages = {{403, Path("404.html")},
                          {404, Path("gone.html")},
                          {404, Path("404.html")}};
  EXPECT_EQ(FindErrorPage(settings_, 404), Path("404.html"));
  EXPECT_EQ(FindErrorPage(settings_, 403), Path("404.html"));
  EXPECT_EQ(FindErrorPage(settings_, 500), "");
}

TEST_F(ErrorPageTest, NothingWhenErrorPagesAreOffOrNoFileExists) {
  settings_.errorPages = {{404, Path("gone.html")}};
  EXPECT_EQ(FindErrorPage(settings_, 404), "");
  settings_.errorPages = {{404, Path("404.html")}};
  settings_.errpage = 0;
  EXPECT_EQ(FindErrorPage(settings_, 404), "");
}

}  // namespace
}  // namespace ruz
