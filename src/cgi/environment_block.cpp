// The environment block operations and the CGI/1.1 variables of a request.
#include "cgi/environment_block.h"

#include <cstring>

#include "config/settings.h"
#include "platform/environment.h"
#include "platform/socket.h"
#include "platform/text_codes.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "http/response_header.h"

namespace ruz {

namespace {

std::string_view UpToZero(std::string_view text) {
  return text.substr(0, std::min(text.find('\0'), text.size()));
}

// Where the first entry named name starts, or npos.
std::size_t FindEntry(std::string_view bytes, std::string_view name) {
  std::size_t pos = 0;
  while (pos < bytes.size() && bytes[pos] != '\0') {
    const std::size_t end = bytes.find('\0', pos);
    const std::string_view entry = bytes.substr(pos, end - pos);
    if (entry.size() > name.size() && entry[name.size()] == '=' &&
        EqualsIgnoreCase(entry.substr(0, name.size()), name))
      return pos;
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return std::string_view::npos;
}

}  // namespace

std::size_t EnvBlockLength(const EnvironmentBlock &block) {
  const std::string &bytes = block.bytes;
  std::size_t pos = 0;
  while (pos < bytes.size() && bytes[pos] != '\0') {
    const std::size_t end = bytes.find('\0', pos);
    if (end == std::string::npos) return bytes.size() + 1;  // unterminated: count an end
    pos = end + 1;
  }
  return pos + 1;
}

void EnvRemove(EnvironmentBlock &block, std::string_view name) {
  const std::size_t start = FindEntry(block.bytes, name);
  if (start == std::string_view::npos) return;
  const std::size_t end = block.bytes.find('\0', start);
  block.bytes.erase(start, end - start + 1);
}

void EnvPut(EnvironmentBlock &block, std::string_view name, std::string_view value, bool replace) {
  name = UpToZero(name);
  value = UpToZero(value);
  if (replace) EnvRemove(block, name);
  std::string &bytes = block.bytes;
  bytes.resize(EnvBlockLength(block) - 1);  // drop the final zero (and anything behind it)
  bytes.reserve(bytes.size() + name.size() + value.size() + 3);
  bytes.append(name).append(1, '=').append(value).append(1, '\0').append(1, '\0');
}

bool EnvGet(const EnvironmentBlock &block, std::string_view name, std::string &value) {
  value.clear();
  const std::size_t start = FindEntry(block.bytes, name);
  if (start == std::string_view::npos) return false;
  const std::size_t end = block.bytes.find('\0', start);
  const std::size_t valueStart = start + name.size() + 1;
  value.assign(block.bytes, valueStart, end - valueStart);
  return true;
}

std::vector<std::string_view> EnvEntries(const EnvironmentBlock &block) {
  std::vector<std::string_view> entries;
  const std::string_view bytes = block.bytes;
  std::size_t pos = 0;
  while (pos < bytes.size() && bytes[pos] != '\0') {
    const std::size_t end = std::min(bytes.find('\0', pos), bytes.size());
    entries.push_back(bytes.substr(pos, end - pos));
    pos = end + 1;
  }
  return entries;
}

namespace {

void PutServerEnvironment(EnvironmentBlock &block) {
  for (const std::string &entry : EnvironmentStrings()) {
    const std::string_view text = UpToZero(entry);
    if (text.empty()) continue;
    block.bytes.pop_back();
    block.bytes.append(text).append(1, '\0').append(1, '\0');
  }
}

// REMOTE_HOST by the look-up mode; false when the variable is left out.
bool RemoteHost(const ConnectionSlot &slot, const RequestInfo &request, HostLookup mode,
                std::string &host) {
  switch (mode) {
    case HostLookup::kNever:
      host = request.remoteAddr;
      return true;
    case HostLookup::kForCgiOnly:
      if (!LookupHostName(slot.peer.address, host)) host = request.remoteAddr;
      return true;
    case HostLookup::kEveryConnection:
      host = request.remoteHost;
      return true;
  }
  return false;
}

}  // namespace

void BuildCgiEnvironment(EnvironmentBlock &block, const ConnectionSlot &slot,
                         const RequestInfo &request, bool includeServerEnvironment) {
  static const ServerSettings kNoSettings;
  const ServerSettings &settings = slot.settings ? *slot.settings : kNoSettings;
  block = EnvironmentBlock{};
  if (includeServerEnvironment) PutServerEnvironment(block);
  auto put = [&block](std::string_view name, std::string_view value) {
    EnvPut(block, name, value, false);
  };
  put("REMOTE_ADDR", request.remoteAddr);
  std::string host;
  if (RemoteHost(slot, request, HostLookupMode(settings), host)) put("REMOTE_HOST", host);
  put("REMOTE_PORT", request.remotePort);
  put("QUERY_STRING", request.query);
  put("HTTP_USER_AGENT", request.userAgent);
  put("REQUEST_METHOD", request.method);
  put("HTTP_ACCEPT", request.accept);
  put("HTTP_HOST", request.host);
  put("SCRIPT_NAME", request.path);
  put("SCRIPT_FILENAME", request.localPath);
  put("PATH_INFO", request.path);
  put("PATH_TRANSLATED", request.localPath);
  put("HTTP_ACCEPT_ENCODING", request.acceptEncoding);
  put("HTTP_ACCEPT_LANGUAGE", request.acceptLanguage);
  put("CONTENT_LENGTH", request.contentLength);
  put("HTTP_COOKIE", request.cookie);
  put("SERVER_NAME", settings.srvname);
  const bool https = slot.transport == Transport::kTls;
  put("SERVER_PORT", std::to_string(https ? settings.tlsport : settings.port));
  put("SERVER_SOFTWARE", kServerSoftware);
  put("GATEWAY_INTERFACE", "CGI/1.1");
  put("CONTENT_TYPE", request.contentType);
  put("HTTP_REFERER", request.referer);
  if (https) put("HTTPS", "on");
}

}  // namespace ruz
