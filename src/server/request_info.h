// The request record: peer, request line, mapped path and the picked header fields.
#pragma once

#include <string>

namespace ruz {

struct ConnectionSlot;

/// Every field is a CP932 text; fields nobody fills stay empty.
struct RequestInfo {
  std::string remoteAddr;
  std::string remoteHost;
  std::string remotePort;
  std::string requestLine;
  std::string method;
  std::string uri;
  std::string protocol;
  std::string localPath;
  std::string query;
  std::string path;
  std::string referer;
  std::string accept;
  std::string acceptLanguage;
  std::string contentType;
  std::string acceptEncoding;
  std::string ifModifiedSince;
  std::string userAgent;
  std::string host;
  std::string connection;
  std::string cookie;
  std::string lastModified;
  std::string contentLength;
  std::string range;
  std::string authorization;
};

/// Empties every field.
void NewRequestInfo(RequestInfo &request);
void FreeRequestInfo(RequestInfo &request);

/// Receives and parses the request header. 0 when complete; otherwise 400, 408
/// or 500 with the status text already written to the slot's row. The body
/// stays in the socket.
int ReadRequest(ConnectionSlot &slot, RequestInfo &request);

}  // namespace ruz
