// The process environment. Names and values are CP932 texts, converted from
// the system's UTF-8 (characters CP932 lacks become "?").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ruz {

/// Value of the variable; empty (and false) when it is not set.
bool GetEnvironmentValue(std::string_view name, std::string &value);

/// Every "NAME=value" of the process environment, in the system's order.
std::vector<std::string> EnvironmentStrings();

/// The host name (for the server name when COMPUTERNAME is unset).
std::string HostName();

}  // namespace ruz
