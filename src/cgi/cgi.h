// CGI: the rule for a file, and the run of its program with body and output relay.
#pragma once

#include <cstdint>
#include <string_view>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;
struct ServerSettings;

/// Index of the applicable rule, -1 when none applies, -2 when the file cannot
/// be read for its file-header test.
int FindCgiRule(const ServerSettings &settings, std::string_view localPath);

/// True when the run succeeded.
bool ServeCgi(ConnectionSlot &slot, RequestInfo &request, int rule, std::uint64_t &bytesSent);

}  // namespace ruz
