// The per-document state of an SSI document, the client side it writes to, and
// the loop that replaces its directives.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cgi/child_process.h"
#include "cgi/environment_block.h"

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;
struct ServerShared;
class ReadFile;

/// A child process that an exec directive runs, its output relayed to the client.
struct SsiProgram {
  std::vector<std::string> arguments;  // [0] names the program
  std::string workingDirectory;        // the document's directory
  HeaderMode headerMode = HeaderMode::kNone;
};

/// Every byte of a document's output goes through here, and every byte sent is
/// counted here (the byte counter of the access log).
class SsiOutput {
 public:
  virtual ~SsiOutput() = default;
  /// One send; false when it failed.
  virtual bool Send(std::string_view bytes) = 0;
  /// The whole of an open file (size bytes from its start); false when a read or
  /// a send failed.
  virtual bool SendFile(ReadFile &file, std::uint64_t size) = 0;
  /// Runs the program with environment as its whole environment; kRunOk when it
  /// ended and all its output was relayed.
  virtual RunResult Run(const SsiProgram &program, const EnvironmentBlock &environment) = 0;
};

inline constexpr std::size_t kSsiFormatLimit = 255;  // longest time or size format

/// The state the directives of one document share; nothing outlives the document.
struct SsiDocument {
  SsiOutput *output = nullptr;
  const ConnectionSlot *slot = nullptr;  // its settings; the mapping of virtual paths
  const RequestInfo *request = nullptr;  // its peer and credentials judge includes
  const ServerShared *shared = nullptr;  // the start's private files (never included)
  ReadFile *file = nullptr;  // the open document (LAST_MODIFIED); may be null
  std::string directory;     // the document's directory
  EnvironmentBlock variables;
  std::string timeFormat = "%c";
  std::string sizeFormat = "abbrev";
};

/// Sends text with every "<!--#directive-->" replaced by its output: each piece
/// of text in one send, directives dispatched in between. A "<!--#" without a
/// later "-->" ends the document before it. True when the text was sent to
/// its end; false when a send of text failed (directive failures do not count).
[[nodiscard]] bool ProcessSsiText(SsiDocument &document, std::string_view text);

/// The command word runs to the first blank; the first directive name that
/// begins with it wins (so "e" is echo, "fl" flastmod, "" echo). The directive's
/// result (1 done, 0 nothing produced); 0 when no directive is selected.
int DispatchSsiDirective(SsiDocument &document, std::string_view directive);

}  // namespace ruz
