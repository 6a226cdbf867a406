// Following a log that is appended to, renamed away, begun again and cut.
#include "log/log_follower.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "support/temp_dir.h"

namespace ruz {
namespace {

TEST(LogFollowerTest, FollowsAppendsRenamesAndTruncation) {
  TempDir dir;
  const std::string path = dir.Path() + "/access.log";
  ASSERT_TRUE(AppendBytes(path, "old line 1\r\nold line 2\r\nlast before\r\n"));
  LogFollower follower(path, 16);
  // Only whole lines of the tail.
  EXPECT_EQ(follower.Poll(), "last before\r\n");
  EXPECT_EQ(follower.Poll(), "");

  ASSERT_TRUE(AppendBytes(path, "a\r\nb-unfinished"));
  EXPECT_EQ(follower.Poll(), "a\r\n");
  ASSERT_TRUE(AppendBytes(path, "-done\r\n"));
  EXPECT_EQ(follower.Poll(), "b-unfinished-done\r\n");

  // Rotation: the log is renamed, written a last time, then begun anew.
  ASSERT_EQ(std::rename(path.c_str(), (path + ".1").c_str()), 0);
  ASSERT_TRUE(AppendBytes(path + ".1", "late\r\n"));
  EXPECT_EQ(follower.Poll(), "late\r\n");
  ASSERT_TRUE(AppendBytes(path, "new 1\r\n"));
  EXPECT_EQ(follower.Poll(), "new 1\r\n");

  // Cut shorter in place: read again from the start.
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "x\r\n";
  EXPECT_EQ(follower.Poll(), "x\r\n");
}

TEST(LogFollowerTest, AMissingLogIsWaitedForAndALargeBacklogComesInPieces) {
  TempDir dir;
  const std::string path = dir.Path() + "/later.log";
  LogFollower follower(path, 1 << 20);
  EXPECT_EQ(follower.Poll(), "");
  std::string backlog;
  for (int i = 0; i < 1000; ++i) backlog += "line " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(AppendBytes(path, backlog));
  std::string seen;
  for (int polls = 0; polls < 100 && seen.size() < backlog.size(); ++polls) {
    const std::string piece = follower.Poll(4096);
    EXPECT_LE(piece.size(), 4096u + 32768u);
    seen += piece;
  }
  EXPECT_EQ(seen, backlog);
}

}  // namespace
}  // namespace ruz
