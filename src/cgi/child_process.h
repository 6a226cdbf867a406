// One run of a child process for CGI and SSI exec: the request body passed on,
// the program's header block handled by mode, its output relayed to the client.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

struct ConnectionSlot;
struct EnvironmentBlock;
struct RequestInfo;

/// The request body a program gets on its standard input.
struct RequestBody {
  enum class Framing {
    kNone,         // no body (a GET or HEAD without Content-Length, SSI exec)
    kLength,       // exactly length bytes after the header (Content-Length)
    kUntilSilent,  // what arrives until the client is silent for 50 ms (old clients)
  };
  Framing framing = Framing::kNone;
  std::uint64_t length = 0;
  bool sendContinue = false;  // answer "Expect: 100-continue" before reading it
};

/// How the request's body is framed.
RequestBody BodyOf(const RequestInfo &request);

/// A chunked body cannot be passed on with a known length (411).
bool HasChunkedBody(const RequestInfo &request);

/// What happens to the header block the program prints before its body.
enum class HeaderMode {
  kNone = 0,  // no header phase: all output is relayed as it comes (SSI exec cmd)
  kSend = 1,  // merged with the no-cache lines and sent by SendResponseHeader, status 200 (CGI)
  kDrop = 2,  // read and dropped; only what follows is relayed (SSI exec cgi)
};

/// What becomes of the program's body: relayed to the client, or read and
/// dropped (a HEAD request runs the program but gets no body).
enum class OutputUse { kRelay, kDiscard };

/// Run results; each has its status text (RunResultText).
enum RunResult {
  kRunOk = 0,            // the program ended and all its output was relayed
  kRunClientGone = 1,    // the client closed or failed during the body, or a send failed
  kRunBadHeader = 2,     // the header block exceeded 1025 bytes, was malformed, or the output ended before it did
  kRunTimedOut = 3,      // the run exceeded processtimeout
  kRunLaunchFailed = 4,  // the process could not be created
};

/// The longest header block accepted, blank line included.
inline constexpr std::size_t kMaxCgiHeaderBytes = 1025;

/// The CP932 status text of a run result.
const std::string &RunResultText(RunResult result);

/// Runs arguments[0] with arguments (CP932; converted to the file system's
/// encoding here) in workingDirectory (CP932) with the block as its whole
/// environment (the values of SCRIPT_FILENAME and PATH_TRANSLATED converted like
/// paths, every other entry passed as bytes).
/// The body is read from the slot's socket and passed on, within the
/// settings->connecttimeout milliseconds from its start; a client that ends or
/// stalls before it is complete ends the run as one that vanished. Then the
/// program's input is closed. The run is limited by settings->processtimeout
/// milliseconds from the end of the body. Adds every byte relayed after the
/// header to bytesSent. With kSend the header is checked (ParseProgramHeader);
/// a body longer than the program's Content-Length is cut there, and a body
/// that does not match it ends the connection after the response. On return the child has ended or been killed with its
/// process group, it is reaped, and every descriptor of the run is closed.
RunResult RunChildProcess(ConnectionSlot &slot, const std::vector<std::string> &arguments,
                          std::string_view workingDirectory, const EnvironmentBlock &environment,
                          std::uint64_t &bytesSent, const RequestBody &body, HeaderMode mode,
                          OutputUse use = OutputUse::kRelay);

}  // namespace ruz
