// The environment block: the environment of every child process and the
// variable store of an SSI document.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

/// CP932 entries "NAME=value", each ended by a zero byte, and one more zero byte
/// after the last entry; an empty block is a single zero byte. Entries keep the
/// order in which they were added. Names compare with ASCII letter case ignored
/// and match only when "=" follows directly (QUERY does not find QUERY_STRING).
/// Change it only through the operations below, which keep that form.
struct EnvironmentBlock {
  std::string bytes = std::string(1, '\0');
};

/// The number of bytes up to and including the final zero byte (1 when empty).
std::size_t EnvBlockLength(const EnvironmentBlock &block);

/// Removes the first entry named name, if any.
void EnvRemove(EnvironmentBlock &block, std::string_view name);

/// Appends name=value (after removing the first entry of that name when replace
/// is set). name and value end at their first zero byte, if they hold one, so
/// an entry can never be split in two.
void EnvPut(EnvironmentBlock &block, std::string_view name, std::string_view value, bool replace);

/// The value of the first entry named name; false (value emptied) when none is.
bool EnvGet(const EnvironmentBlock &block, std::string_view name, std::string &value);

/// The entries in order, without their zero bytes.
std::vector<std::string_view> EnvEntries(const EnvironmentBlock &block);

/// A fresh block: the server's own environment first when includeServerEnvironment
/// is set (CGI), nothing when clear (SSI), then the 22 CGI/1.1 variables of the
/// request in their fixed order (REMOTE_HOST by HostLookupMode: kNever the
/// address, kForCgiOnly a reverse look-up now, kEveryConnection the name looked
/// up at connection start; another dnsopt number leaves it out). Inherited
/// variables are not replaced: a name may appear twice, the inherited entry
/// first. Uses the slot's settings and peer.
void BuildCgiEnvironment(EnvironmentBlock &block, const ConnectionSlot &slot,
                         const RequestInfo &request, bool includeServerEnvironment);

}  // namespace ruz
