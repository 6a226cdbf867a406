// The ini reader and the byte-preserving atomic writer.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/ini.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

constexpr const char *kSample =
    "; comment\r\n"
    "[RUZ]\r\n"
    "  port = 8080 \r\n"
    "srvname=\"quoted name\"\n"
    "single='x'\r"
    "mixed=\"x'\n"
    "lone=\"\n"
    "empty=\r\n"
    "note=a ; not a comment\r\n"
    "PORT=9999\r\n"
    "negative=-1\r\n"
    "plus=+12abc\r\n"
    "letters=abc\r\n"
    "big=4294967297\r\n"
    "noequals\r\n"
    "[ other ]\r\n"
    "; only a comment\r\n"
    "[ruz]\r\n"
    "late=1\r\n";

TEST(IniReadTest, ReadsStringsWithThePrivateProfileRules) {
  IniDocument doc = ParseIni(kSample);
  struct Case {
    const char *key;
    const char *expected;
  } cases[] = {
      {"port", "8080"},          {"SRVNAME", "quoted name"}, {"single", "x"},
      {"mixed", "\"x'"},         {"lone", "\""},             {"empty", ""},
      {"note", "a ; not a comment"}, {"missing", "default"},  {"late", "default"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(GetIniString(doc, "ruz", c.key, "default", 255), c.expected) << c.key;
  }
  EXPECT_EQ(GetIniString(doc, "RUZ", "srvname", "", 7), "quoted");
  EXPECT_EQ(GetIniString(doc, "RUZ", "missing", "fallback", 5), "fall");
  EXPECT_EQ(GetIniString(doc, "nosection", "port", "d", 255), "d");
}

TEST(IniReadTest, ReadsIntegersWithSignAndWrapping) {
  IniDocument doc = ParseIni(kSample);
  struct Case {
    const char *key;
    int expected;
  } cases[] = {
      {"port", 8080}, {"negative", -1}, {"plus", 12},   {"letters", 0},
      {"big", 1},     {"empty", 0},     {"absent", 42},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(GetIniInt(doc, "RUZ", c.key, 42), c.expected) << c.key;
  }
  // The same parser reads what is typed on the options sheet.
  const std::pair<std::string, int> typed[] = {
      {"80", 80},  {"80x", 80}, {"abc", 0}, {"", 0},           {"-12", -12},
      {"-", 0},    {" 5", 0},   {"+5", 5},  {"4294967376", 80}, {"007", 7},
  };
  for (const auto &[text, value] : typed) EXPECT_EQ(ParseIniInt(text), value) << text;
}

TEST(IniReadTest, CountsOnlySectionsWithEntries) {
  IniDocument doc = ParseIni(kSample);
  EXPECT_TRUE(IniSectionHasEntries(doc, "ruz"));
  EXPECT_FALSE(IniSectionHasEntries(doc, "other"));  // comment only, name trimmed
  EXPECT_FALSE(IniSectionHasEntries(doc, "absent"));
  EXPECT_TRUE(IniSectionHasEntries(ParseIni("[a]\rk=v"), "A"));
}

class IniWriteTest : public ::testing::Test {
 protected:
  std::string Write(const std::string &before, const char *section, const char *key,
                    const char *value) {
    std::string path = dir_.File("ruz.ini");
    if (!before.empty()) {
      EXPECT_TRUE(ReplaceFileAtomically(path, before));
    }
    EXPECT_TRUE(WriteIniString(path, section, key, value));
    std::string after;
    EXPECT_TRUE(ReadWholeFile(path, after));
    return after;
  }

  TempDir dir_;
};

TEST_F(IniWriteTest, ReplacesTheKeyLineInPlace) {
  EXPECT_EQ(Write("; c\n[RUZ]\r\n a = 1 \r\nPort = 80\rz=2\n", "ruz", "port", "8080"),
            "; c\n[RUZ]\r\n a = 1 \r\nport=8080\rz=2\n");
}

TEST_F(IniWriteTest, AddsTheKeyAfterTheLastEntryOfItsSection) {
  EXPECT_EQ(Write("[a]\r\nx=1\r\n\r\n; keep\r\n[b]\r\ny=2", "A", "new", "v"),
            "[a]\r\nx=1\r\nnew=v\r\n\r\n; keep\r\n[b]\r\ny=2");
  EXPECT_EQ(Write("[a]\r\n[b]\r\n", "a", "k", "v"), "[a]\r\nk=v\r\n[b]\r\n");
  EXPECT_EQ(Write("[b]\r\ny=2", "b", "k", "v"), "[b]\r\ny=2\r\nk=v\r\n");
}

TEST_F(IniWriteTest, AppendsAMissingSectionAndCreatesTheFile) {
  EXPECT_EQ(Write("", "RUZ", "dnsopt", "2"), "[RUZ]\r\ndnsopt=2\r\n");
  EXPECT_EQ(Write("[a]\r\nx=1\r\n\r\n", "b", "k", "v"), "[a]\r\nx=1\r\n\r\n[b]\r\nk=v\r\n");
  EXPECT_EQ(Write("[a]\nx=1", "b", "k", ""), "[a]\nx=1\r\n\r\n[b]\r\nk=\r\n");
}

TEST_F(IniWriteTest, WrittenValuesReadBackUnchanged) {
  const char *values[] = {"\"%filepath%\" \"%query%\"", "'quoted'", " padded\t", "\"", "a\"b\"", "plain"};
  for (const char *value : values) {
    SCOPED_TRACE(value);
    IniDocument doc = ParseIni(Write("[cgi0]\r\n", "cgi0", "cmdline", value));
    EXPECT_EQ(GetIniString(doc, "cgi0", "cmdline", "", 1024), value);
  }
  EXPECT_NE(Write("", "a", "k", "\"x\" \"y\"").find("\r\nk=\"\"x\" \"y\"\"\r\n"), std::string::npos);
}

TEST_F(IniWriteTest, DeletesASectionUpToTheNextHeader) {
  std::string path = dir_.File("ruz.ini");
  ASSERT_TRUE(ReplaceFileAtomically(path, "[a]\r\nx=1\r\n[B]\r\ny=2\r\n; c\r\n[c]\r\nz=3\r\n"));
  EXPECT_TRUE(DeleteIniSection(path, "b"));
  EXPECT_FALSE(DeleteIniSection(path, "b"));
  std::string after;
  ASSERT_TRUE(ReadWholeFile(path, after));
  EXPECT_EQ(after, "[a]\r\nx=1\r\n[c]\r\nz=3\r\n");
}

TEST_F(IniWriteTest, KeepsThePermissionsAndLeavesNoTemporaryFile) {
  std::string path = dir_.File("ruz.ini");
  ASSERT_TRUE(ReplaceFileAtomically(path, "[a]\r\n"));
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  ASSERT_TRUE(WriteIniString(path, "a", "k", "v"));
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(dir_.Path(), entries));
  EXPECT_EQ(entries.size(), 1u);
}

TEST_F(IniWriteTest, RefusesLineBreaksAndUnwritablePlacesSayingWhy) {
  std::string path = dir_.File("ruz.ini");
  ASSERT_TRUE(ReplaceFileAtomically(path, "[a]\r\nk=1\r\n"));
  EXPECT_FALSE(WriteIniString(path, "a", "k", "2\r\n[RUZ]\r\nport=1"));
  EXPECT_FALSE(WriteIniString(path, "a\n", "k", "2"));
  std::string after;
  ASSERT_TRUE(ReadWholeFile(path, after));
  EXPECT_EQ(after, "[a]\r\nk=1\r\n");

  ASSERT_EQ(mkdir(dir_.File("folder.ini").c_str(), 0755), 0);
  ASSERT_TRUE(ReplaceFileAtomically(dir_.File("readonly.ini"), "[a]\r\n"));
  ASSERT_EQ(chmod(dir_.File("readonly.ini").c_str(), 0444), 0);
  struct Case {
    std::string path;
    const char *reason;
    bool asRoot;  // whether the write fails for root as well
  };
  const Case cases[] = {
      {dir_.File("missing/ruz.ini"), "No such file or directory", true},
      {path + "/ruz.ini", "Not a directory", true},
      {dir_.File("folder.ini"), "Is a directory", true},
      {dir_.File("readonly.ini"), "Permission denied", false},
  };
  for (const Case &c : cases) {
    if (!c.asRoot && geteuid() == 0) continue;
    const WriteResult result = WriteIniString(c.path, "a", "k", "v");
    EXPECT_FALSE(result) << c.path;
    EXPECT_EQ(result.reason, c.reason) << c.path;
    EXPECT_FALSE(DeleteIniSection(c.path, "a")) << c.path;
  }
  std::string kept;
  ASSERT_TRUE(ReadWholeFile(dir_.File("readonly.ini"), kept));
  EXPECT_EQ(kept, "[a]\r\n");
}

}  // namespace
}  // namespace ruz
