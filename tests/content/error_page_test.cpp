// Choosing the custom error page for a status code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/settings.h"
#include "content/error_page.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

namespace fs = std::filesystem;

class ErrorPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir_ / "404.html") << "<p>missing</p>";
    settings_.errpage = 1;
  }

  std::string Path(const char *name) const { return (dir_ / name).string(); }

  TempDir temp_;
  fs::path dir_{temp_.Path()};
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
