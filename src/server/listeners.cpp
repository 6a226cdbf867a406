// Listening sockets for the bind address and the reasons a bind fails.
#include "server/listeners.h"

namespace ruz {

namespace {

constexpr int kListenBacklog = 255;
constexpr int kLowestUnprivilegedPort = 1024;
constexpr int kHighestPort = 65535;
constexpr std::string_view kLocalhost = "localhost";

// "ポート 80" for every address, "127.0.0.1:80" or "[::1]:80" for one.
std::string Where(const BindTarget &target, int port) {
  if (!target.address) return "ポート " + std::to_string(port);
  return FormatEndpoint(*target.address, static_cast<std::uint16_t>(port));
}

std::string BindReason(int port, BindFailure failure) {
  switch (failure) {
    case BindFailure::kInUse: return "他のプログラムが使用中です";
    case BindFailure::kNoPermission:
      return port < kLowestUnprivilegedPort
                 ? "使用する権限がありません（1024 未満のポートには管理者の権限が必要です）"
                 : "使用する権限がありません";
    case BindFailure::kAddressNotLocal: return "このコンピューターのアドレスではありません";
    case BindFailure::kNoFamily: return "このアドレスの種類はシステムで使用できません";
    default: return "使用できません";
  }
}

// A system without IPv6 has no ::1 to bind; "localhost" then means 127.0.0.1.
bool MaySkip(const BindTarget &target, const ListenResult &result) {
  return !target.required && (result.bindFailure == BindFailure::kNoFamily ||
                              result.bindFailure == BindFailure::kAddressNotLocal);
}

ListenResult ListenOnTarget(const BindTarget &target, std::uint16_t port) {
  if (target.address) return ListenTcp(*target.address, port, kListenBacklog);
  return ListenTcp(port, kListenBacklog);
}

}  // namespace

std::vector<BindTarget> BindTargets(std::string_view bindaddress) {
  if (bindaddress.empty()) return {BindTarget{}};
  IpAddress address;
  if (bindaddress == kLocalhost) {
    IpAddress ipv4Loopback;
    IpAddress ipv6Loopback;
    ParseIpAddress("127.0.0.1", ipv4Loopback);
    ParseIpAddress("::1", ipv6Loopback);
    return {BindTarget{ipv4Loopback, true}, BindTarget{ipv6Loopback, false}};
  }
  if (!ParseIpAddress(bindaddress, address)) return {};
  return {BindTarget{address, true}};
}

bool OpenListeners(const std::vector<BindTarget> &targets, int port, Transport transport,
                   std::vector<Listener> &listeners, ListenFailure &failure) {
  if (port < 0 || port > kHighestPort) {
    failure = {false, "ポート " + std::to_string(port) + ": 範囲外です（0 から 65535 まで）"};
    return false;
  }
  const std::size_t before = listeners.size();
  for (const BindTarget &target : targets) {
    ListenResult result = ListenOnTarget(target, static_cast<std::uint16_t>(port));
    if (result.bindFailed && MaySkip(target, result)) continue;
    if (result.bindFailed || result.listenFailed) {
      const std::string reason = result.bindFailed ? BindReason(port, result.bindFailure)
                                                   : "接続待機に失敗しました";
      failure = {result.listenFailed, Where(target, port) + ": " + reason};
      listeners.resize(before);
      return false;
    }
    listeners.push_back({std::move(result.socket), transport, result.boundPort});
    // Port 0 lets the first listener pick; the others of the same kind follow it.
    port = result.boundPort;
  }
  return true;
}

}  // namespace ruz
