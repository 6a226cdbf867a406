// Short human-readable byte sizes ("1.29 KB", "998 KB", "11.7 MB").
#pragma once

#include <cstdint>
#include <string>

namespace ruz {

/// Below 1024: "N bytes". Otherwise three significant digits, truncated, in KB,
/// MB, GB or TB (1024-based): "1.00 KB", "10.0 KB", "120 KB", "0.97 MB".
std::string FormatByteSize(std::uint64_t size);

}  // namespace ruz
