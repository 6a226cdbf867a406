// The server's listening sockets: the addresses bindaddress names, one socket
// per address and port, and the line that explains a failed bind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/connection_slot.h"
#include "platform/socket.h"

namespace ruz {

struct Listener {
  Socket socket;
  Transport transport = Transport::kPlain;
  std::uint16_t port = 0;  // the port bound
};

/// One address to listen on: every local address (no address), or one. A
/// target that is not required is left out on a system without its family.
struct BindTarget {
  std::optional<IpAddress> address;
  bool required = true;
};

/// The targets of a bindaddress value: "" every local address, "localhost"
/// both loopback addresses, otherwise one literal address. Empty when the text
/// is none of these.
std::vector<BindTarget> BindTargets(std::string_view bindaddress);

/// Why a listener could not be opened: the step that failed, and a line that
/// names the port (and the address, when one was given) with the reason, UTF-8.
struct ListenFailure {
  bool listenStep = false;  // false: the bind (or the port number) failed
  std::string line;
};

/// Opens a listener on port for every target and appends it to listeners.
/// False when one cannot be opened: failure says why, and the listeners
/// opened by this call are closed again.
bool OpenListeners(const std::vector<BindTarget> &targets, int port, Transport transport,
                   std::vector<Listener> &listeners, ListenFailure &failure);

}  // namespace ruz
