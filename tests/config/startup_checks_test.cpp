// The start-up warnings for settings that load but cannot work.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "config/startup_checks.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_codes.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

struct WarningCase {
  const char *ini;                     // main-section lines after [RUZ]
  std::vector<std::string> expected;   // one UTF-8 piece per warning, in order
};

TEST(StartupChecksTest, EachSettingThatCannotWorkGetsOneWarningNamingItsKey) {
  TempDir home;
  const std::string saved = ProgramDirectory();
  SetProgramDirectory(home.Path());
  home.Write("www/index.html", "x");
  const WarningCase cases[] = {
      {"port=0\r\nroot=www\r\nmaxconnect=4\r\nlogwrite=1\r\nlogname=access.log\r\n", {}},
      {"port=0\r\nroot=www\r\n", {"maxconnect=0 では接続を1つも受け付けられません"}},
      {"root=www\r\nmaxconnect=-3\r\n", {"maxconnect=-3"}},
      {"root=www\r\nmaxconnect=4\r\nlogwrite=1\r\n", {"logname が空です"}},
      {"root=www\r\nmaxconnect=4\r\nlogwrite=1\r\nlogname=\r\n", {"logname が空です"}},
      {"root=www\r\nmaxconnect=4\r\nlogwrite=0\r\nlogname=\r\n", {}},
      {"root=www\r\nmaxconnect=4\r\nlogwrite=1\r\nlogname=www\r\n",
       {"logname がフォルダを指しています（" + home.Path() + "/www）"}},
      {"root=www\r\nmaxconnect=4\r\nlogwrite=1\r\nlogname=logs/a.log\r\n",
       {"logname のフォルダがありません"}},
      {"root=missing\r\nmaxconnect=4\r\n",
       {"ドキュメントルートのフォルダがありません（" + home.Path() + "/missing）"}},
      {"root=www/index.html\r\nmaxconnect=4\r\n", {"ドキュメントルートのフォルダがありません"}},
      {"root=missing\r\nlogwrite=1\r\n", {"maxconnect", "logname が空です", "root"}},
  };
  const char *keys[] = {"maxconnect", "logname", "root"};
  for (const WarningCase &c : cases) {
    ASSERT_TRUE(ReplaceFileAtomically(IniPath(), std::string("[RUZ]\r\n") + c.ini));
    ServerSettings settings;
    ASSERT_TRUE(LoadSettings(settings));
    std::vector<std::string> warnings = StartupWarnings(settings);
    ASSERT_EQ(warnings.size(), c.expected.size()) << c.ini;
    for (std::size_t i = 0; i < warnings.size(); ++i) {
      const std::string text = Cp932ToUtf8(warnings[i]);
      EXPECT_NE(text.find(c.expected[i]), std::string::npos) << c.ini << "\n" << text;
      bool namesKey = false;
      for (const char *key : keys)
        namesKey = namesKey || text.find(std::string("ruz.ini の ") + key) != std::string::npos;
      EXPECT_TRUE(namesKey) << text;
    }
  }
  SetProgramDirectory(saved);
}

}  // namespace
}  // namespace ruz
