// Files and directories with CP932 names, reading, appending and replacing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "platform/files.h"
#include "platform/text_codes.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

class FilesTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(FilesTest, ConvertsFileNamesAtTheSystemBoundary) {
  std::string name = RUZ_CP932("日本語.txt");
  ASSERT_TRUE(ReplaceFileAtomically(dir_.Path() + "/" + name, "abc"));
  EXPECT_TRUE(std::ifstream(dir_.File("日本語.txt")).good());  // UTF-8 on disk
  std::ofstream(dir_.File("\xF0\x9F\x98\x80.txt")) << "x";       // a name CP932 lacks

  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(dir_.Path(), entries));
  ASSERT_EQ(entries.size(), 2u);
  std::vector<std::string> names = {entries[0].name, entries[1].name};
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names[0], "?.txt");
  EXPECT_EQ(names[1], name);
  FileInfo info = GetFileInfo(dir_.Path() + "/" + name);
  EXPECT_TRUE(info.exists);
  EXPECT_FALSE(info.isDirectory);
  EXPECT_EQ(info.size, 3u);
}

TEST_F(FilesTest, ReportsWhatIsMissing) {
  EXPECT_FALSE(GetFileInfo(dir_.File("none")).exists);
  EXPECT_TRUE(GetFileInfo(dir_.Path()).isDirectory);
  std::vector<DirEntry> entries;
  EXPECT_FALSE(ListDirectory(dir_.File("none"), entries));
  std::string content;
  EXPECT_FALSE(ReadWholeFile(dir_.File("none"), content));
  EXPECT_FALSE(ReadFile(dir_.Path()).IsOpen());  // a directory is not a readable file
}

TEST_F(FilesTest, ReadsSeeksAndLimits) {
  std::string path = dir_.File("f");
  ASSERT_TRUE(ReplaceFileAtomically(path, "0123456789"));
  ReadFile file(path);
  ASSERT_TRUE(file.IsOpen());
  char buffer[8] = {};
  EXPECT_EQ(file.ReadAt(buffer, sizeof buffer, 7), 3);
  EXPECT_EQ(file.ReadAt(buffer, sizeof buffer, 10), 0);
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 8);  // reading at an offset did not move
  EXPECT_EQ(file.Info().size, 10u);

  ReadFile moved = std::move(file);
  EXPECT_TRUE(moved.IsOpen());
  EXPECT_FALSE(file.IsOpen());

  std::string content;
  ASSERT_TRUE(ReadWholeFile(path, content, 4));
  EXPECT_EQ(content, "0123");
}

TEST_F(FilesTest, AppendsAndCreates) {
  std::string path = dir_.File("log.txt");
  EXPECT_TRUE(AppendBytes(path, "one\r\n"));
  EXPECT_TRUE(AppendBytes(path, "two\r\n"));
  std::string content;
  ASSERT_TRUE(ReadWholeFile(path, content));
  EXPECT_EQ(content, "one\r\ntwo\r\n");
  EXPECT_FALSE(AppendBytes(dir_.File("missing/log.txt"), "x"));
}

TEST_F(FilesTest, AKeptOpenFileFollowsRotationByRenameAndRemoval) {
  const std::string path = dir_.File("access.log");
  AppendingFile log(path, std::chrono::milliseconds(0));  // checks before every append
  EXPECT_TRUE(log.Append("one\n"));
  ASSERT_EQ(std::rename(path.c_str(), dir_.File("access.log.1").c_str()), 0);
  EXPECT_TRUE(log.Append("two\n"));
  ASSERT_EQ(std::remove(path.c_str()), 0);
  EXPECT_TRUE(log.Append("three\n"));
  EXPECT_TRUE(log.Append("four\n"));
  std::string rotated, current;
  ASSERT_TRUE(ReadWholeFile(dir_.File("access.log.1"), rotated));
  ASSERT_TRUE(ReadWholeFile(path, current));
  EXPECT_EQ(rotated, "one\n");
  // What went into the removed file since the check before it is written again.
  EXPECT_EQ(current, "two\nthree\nfour\n");
  EXPECT_FALSE(AppendingFile(dir_.File("missing/access.log")).Append("x"));
}

TEST_F(FilesTest, LinesWrittenToARemovedFileBeforeTheCheckAreWrittenAgain) {
  const std::string path = dir_.File("access.log");
  AppendingFile log(path, std::chrono::hours(1));  // only a full memory of lines makes a check due
  EXPECT_TRUE(log.Append("one\n"));
  ASSERT_EQ(std::remove(path.c_str()), 0);
  const std::string large(1 << 20, 'x');
  EXPECT_TRUE(log.Append(large));
  std::string current;
  ASSERT_TRUE(ReadWholeFile(path, current));
  EXPECT_EQ(current, "one\n" + large);
}

TEST_F(FilesTest, CopiesAFile) {
  ASSERT_TRUE(ReplaceFileAtomically(dir_.File("a"), std::string("x\0y", 3)));
  ASSERT_TRUE(CopyFileTo(dir_.File("a"), dir_.File("b")));
  std::string content;
  ASSERT_TRUE(ReadWholeFile(dir_.File("b"), content));
  EXPECT_EQ(content, std::string("x\0y", 3));
  EXPECT_FALSE(CopyFileTo(dir_.File("none"), dir_.File("c")));
}

}  // namespace
}  // namespace ruz
