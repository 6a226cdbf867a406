// A first run: the command line (each option, mistakes and their exit
// statuses), the per-user program folder of an installed program, and the sample.
#include "integration/harness.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace ruz::test {
namespace {

namespace fs = std::filesystem;

struct CommandCase {
  std::vector<std::string> args;
  int status;
  std::string out;  // expected in standard output ("" : nothing printed there)
  std::string err;  // expected in standard error ("" : nothing printed there)
};

TEST(CommandLineTest, OptionsAndMistakesEndWithTheirStatus) {
  const std::string usage = "Usage: ruz [--headless] [--home DIR]";
  const std::string builtIni = "ruz.ini is read from " + fs::path(RUZ_BINARY).parent_path().string() + "/ruz.ini";
  const CommandCase cases[] = {
      {{"--help"}, 0, builtIni, ""},
      {{"-h", "--bogus"}, 0, usage, ""},
      {{"--version"}, 0, "Ruzo'sWebserver/1.0\n", ""},
      {{"--headless", "--version"}, 0, "Ruzo'sWebserver/1.0\n", ""},
      {{"--port", "9000"}, 2, "", "ruz: unknown option: --port\n\n" + usage},
      {{"-x"}, 2, "", "unknown option: -x"},
      {{"--home"}, 2, "", "ruz: --home needs a folder\n"},
      {{"--home", "--headless"}, 2, "", "--home needs a folder"},
      {{"--home="}, 2, "", "--home needs a folder"},
      {{"www"}, 2, "", "unexpected argument: www"},
      {{"--headless", "--", "-platform", "offscreen"}, 2, "", "--headless takes none"},
      {{"--headless", "--home", "/no/such/dir"}, 1, "", "ruz: --home /no/such/dir: no such folder\n"},
      {{"--home=/no/such/dir"}, 1, "", "/no/such/dir: no such folder"},
  };
  for (const CommandCase &c : cases) {
    std::string label = ::testing::PrintToString(c.args);
    FinishedRun run = RunToExit(c.args);
    EXPECT_EQ(run.status, c.status) << label << "\n" << run.err;
    if (c.out.empty()) {
      EXPECT_EQ(run.out, "") << label;
    } else {
      EXPECT_NE(run.out.find(c.out), std::string::npos) << label << "\n" << run.out;
    }
    if (c.err.empty()) {
      EXPECT_EQ(run.err, "") << label;
    } else {
      EXPECT_NE(run.err.find(c.err), std::string::npos) << label << "\n" << run.err;
    }
  }
}

TEST(CommandLineTest, HomeWithAnEqualsSignServesThatFolder) {
  TempDir home;
  home.Write("ruz.ini", "[RUZ]\r\nsrvname=eq\r\nport=0\r\nroot=www\r\nmaxconnect=2\r\n");
  home.Write("www/index.html", "eq page");
  ServerProcess server;
  std::string error;
  ASSERT_TRUE(server.Launch({RUZ_BINARY, "--headless", "--home=" + home.Path()},
                            EnvironmentWith({}), error));
  ASSERT_TRUE(server.WaitUntilServing(error)) << error;
  EXPECT_EQ(Exchange(server.Port(), GetRequest("/index.html")).body, "eq page");
  EXPECT_EQ(server.Stop(), 0);
}

// An installed layout: bin/ruz and share/ruz/ (the sample), with a home of its own.
class PerUserFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_.File("bin"));
    fs::copy_file(RUZ_BINARY, Binary());
    root_.Write("share/ruz/ruz.ini",
                "[RUZ]\r\nsrvname=sample\r\nport=0\r\nroot=www\r\nmaxconnect=4\r\n");
    root_.Write("share/ruz/www/index.html", "sample page");
    root_.Write("share/ruz/readme.txt", "readme");
    fs::create_directories(root_.File("home"));
  }
  std::string Binary() const { return root_.File("bin/ruz"); }

  // Starts the installed copy headless, fetches /index.html and stops it;
  // returns the page and leaves what the server printed in stderr.
  std::string ServeOnce(const std::vector<std::string> &env, std::string &stderrText) {
    ServerProcess server;
    std::string error;
    if (!server.Launch({Binary(), "--headless"}, EnvironmentWith(env), error) ||
        !server.WaitUntilServing(error)) {
      ADD_FAILURE() << error;
      return "";
    }
    std::string body = Exchange(server.Port(), GetRequest("/index.html")).body;
    EXPECT_EQ(server.Stop(), 0);
    stderrText = server.Stderr();
    return body;
  }

  TempDir root_;
};

TEST_F(PerUserFolderTest, FirstStartCopiesTheSampleAndLaterStartsKeepTheUsersFiles) {
  const std::vector<std::string> env = {"HOME=" + root_.File("home"), "XDG_CONFIG_HOME"};
  const std::string folder = root_.File("home/.config/ruz");
  std::string err;
  EXPECT_EQ(ServeOnce(env, err), "sample page");
  EXPECT_NE(err.find("first start: the sample settings and site were copied to " + folder),
            std::string::npos) << err;
  EXPECT_NE(err.find("ドキュメントルート: " + folder + "/www\n"), std::string::npos) << err;
  EXPECT_TRUE(fs::exists(folder + "/readme.txt"));

  // The user's edits survive the next start; nothing is copied again.
  std::ofstream(folder + "/www/index.html", std::ios::trunc) << "my page";
  fs::remove(folder + "/readme.txt");
  EXPECT_EQ(ServeOnce(env, err), "my page");
  EXPECT_EQ(err.find("first start"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(folder + "/readme.txt"));
}

TEST_F(PerUserFolderTest, XdgConfigHomeWinsAndAPortableIniBesideTheProgramWinsOverBoth) {
  const std::vector<std::string> env = {"HOME=" + root_.File("home"),
                                        "XDG_CONFIG_HOME=" + root_.File("config")};
  std::string err;
  EXPECT_EQ(ServeOnce(env, err), "sample page");
  EXPECT_TRUE(fs::exists(root_.File("config/ruz/ruz.ini")));
  EXPECT_FALSE(fs::exists(root_.File("home/.config")));

  root_.Write("bin/ruz.ini", "[RUZ]\r\nport=0\r\nroot=site\r\nmaxconnect=4\r\n");
  root_.Write("bin/site/index.html", "portable page");
  EXPECT_EQ(ServeOnce(env, err), "portable page");
}

// The sample as make run and the package use it, on a free port, with the one
// line the README names changed to switch CGI on.
TEST(SampleTest, StartsWithoutWarningsAndItsCgiExampleAnswersOnceRunningIsOn) {
  TempDir home;
  fs::copy(RUZ_SOURCE_DIR "/sample", home.Path(), fs::copy_options::recursive);
  std::ifstream in(home.File("ruz.ini"), std::ios::binary);
  std::string ini = (std::ostringstream() << in.rdbuf()).str();
  for (auto [from, to] : {std::pair{"\nport=8080\r", "\nport=0\r"},
                          std::pair{"\nrunning=0\r", "\nrunning=1\r"}}) {
    std::size_t at = ini.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    ini.replace(at, std::string(from).size(), to);
  }
  home.Write("ruz.ini", ini);
  ServerProcess server;
  std::string error;
  ASSERT_TRUE(server.Start(home.Path(), error)) << error;
  EXPECT_EQ(server.Stderr().rfind("サーバーネーム: ", 0), 0u) << server.Stderr();  // no warning first
  HttpResponse r =
      Exchange(server.Port(), GetRequest("/cgi-bin/query.cgi?hello=world", "Connection: close\r\n"));
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.Header("Content-Type"), "text/plain; charset=utf-8");
  EXPECT_NE(r.body.find("QUERY_STRING=hello=world\n"), std::string::npos) << r.body;
  EXPECT_EQ(server.Stop(), 0);
}

}  // namespace
}  // namespace ruz::test
