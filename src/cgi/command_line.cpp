// Splitting a command line into arguments and expanding a CGI rule's tokens.
#include "cgi/command_line.h"

#include "common/expand_token.h"
#include "platform/text_codes.h"

namespace ruz {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Handles a run of backslashes starting at pos and returns the position behind
// it: before a double quote they are halved, and an odd one makes the quote
// literal (and consumed); elsewhere they are kept.
std::size_t TakeBackslashes(std::string_view text, std::size_t pos, std::string &argument) {
  std::size_t count = 0;
  while (pos + count < text.size() && text[pos + count] == '\\') ++count;
  const std::size_t next = pos + count;
  if (next >= text.size() || text[next] != '"') {
    argument.append(count, '\\');
    return next;
  }
  argument.append(count / 2, '\\');
  if (count % 2 == 0) return next;  // the quote groups; the caller handles it
  argument.push_back('"');
  return next + 1;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> arguments;
  std::size_t pos = 0;
  while (true) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos >= text.size()) break;
    std::string argument;
    bool quoted = false;
    while (pos < text.size() && (quoted || !IsBlank(text[pos]))) {
      const char c = text[pos];
      if (IsCp932LeadByte(static_cast<unsigned char>(c)) && pos + 1 < text.size()) {
        argument.append(text.substr(pos, 2));
        pos += 2;
      } else if (c == '\\') {
        pos = TakeBackslashes(text, pos, argument);
      } else if (c == '"') {
        quoted = !quoted;
        ++pos;
      } else {
        argument.push_back(c);
        ++pos;
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::vector<std::string> ExpandCommandLine(std::string_view cmdline, std::string_view filePath,
                                           std::string_view query) {
  std::vector<std::string> arguments = SplitCommandLine(cmdline);
  for (std::string &argument : arguments) {
    ExpandToken(argument, "%filepath%", filePath);
    ExpandToken(argument, "%query%", query);
  }
  return arguments;
}

}  // namespace ruz
