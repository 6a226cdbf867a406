// The body of a file response: 64 KiB pieces read from the file (or taken from
// its content in memory) and sent, with progress texts and the configured pause
// after every full piece.
#pragma once

#include <cstdint>
#include <string_view>

namespace ruz {

struct ConnectionSlot;
class ReadFile;

/// Sends [first, first+count) of an open file, in 64 KiB pieces; progress texts
/// when showProgress. True when sent to its end, false when a read or a send
/// failed (a failed send marks the client lost). doneText, when set, follows
/// the last progress text in the same step (the status the caller shows next
/// once the body is out).
[[nodiscard]] bool SendFileBody(ConnectionSlot &slot, ReadFile &file, std::uint64_t first,
                                std::uint64_t count, std::uint64_t &bytesSent, bool showProgress,
                                std::string_view doneText = {});
/// SendFileBody for a file whose content is in memory.
[[nodiscard]] bool SendContentBody(ConnectionSlot &slot, std::string_view content,
                                   std::uint64_t first, std::uint64_t count,
                                   std::uint64_t &bytesSent, bool showProgress,
                                   std::string_view doneText = {});

}  // namespace ruz
