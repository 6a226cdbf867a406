// The progress line of a download from byte counts and times.
#include "common/transfer_progress.h"

#include <gtest/gtest.h>

namespace ruz {
namespace {

struct ProgressCase {
  std::uint64_t sent;
  std::uint64_t size;
  std::uint64_t elapsedMs;
  const char *text;
};

TEST(TransferProgressTest, ShowsSizesPercentageAndSpeed) {
  constexpr std::uint64_t kMiB = 1024 * 1024;
  const ProgressCase cases[] = {
      {12'897'485, 200 * kMiB, 10'000, "12.3 MB / 200 MB 6%  1.2 MB/s"},
      {0, 200 * kMiB, 0, "0 B / 200 MB 0%"},
      {512, 999, 1, "512 B / 999 B 51%  500 KB/s"},
      {1000, 4096, 2000, "0.98 KB / 4.00 KB 24%  500 B/s"},
      {200 * kMiB, 200 * kMiB, 1000, "200 MB / 200 MB 100%  200 MB/s"},
      {1500 * kMiB, 3 * 1024 * kMiB, 60'000, "1.46 GB / 3.00 GB 48%  25 MB/s"},
      {10, 0, 0, "10 B / 0 B 100%"},  // a body that grew past its announced size
  };
  for (const ProgressCase &c : cases) {
    EXPECT_EQ(FormatTransferProgress(c.sent, c.size, c.elapsedMs), c.text) << c.text;
  }
}

}  // namespace
}  // namespace ruz
