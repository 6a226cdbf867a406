// The progress of a download as one short line: "12.3 MB / 200 MB 6%  1.2 MB/s".
#pragma once

#include <cstdint>
#include <string>

namespace ruz {

/// sent of size bytes with the percentage (rounded down, at most 100) and the
/// mean speed over elapsedMs; the speed is left out before a millisecond has
/// passed. Sizes are 1024-based with three significant digits ("950 KB",
/// "12.3 MB", "1.05 GB"); the speed with two ("1.2 MB/s", "85 KB/s").
std::string FormatTransferProgress(std::uint64_t sent, std::uint64_t size,
                                   std::uint64_t elapsedMs);

}  // namespace ruz
