// The request record: peer, request line, mapped path and the picked header fields.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ruz {

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
  std::string expect;
  std::string transferEncoding;
};

/// Empties every field: before a request is read, and once it is finished.
inline void NewRequestInfo(RequestInfo &request) { request = RequestInfo{}; }
inline void FreeRequestInfo(RequestInfo &request) { request = RequestInfo{}; }

}  // namespace ruz
