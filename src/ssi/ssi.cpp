// Placeholder until SSI documents are processed.
#include "ssi/ssi.h"

namespace ruz {

int SendSsiDocument(ConnectionSlot &, RequestInfo &, std::uint64_t &) { return 1; }

}  // namespace ruz
