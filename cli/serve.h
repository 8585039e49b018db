// ql8810 serve: the kit as a network instrument (SCPI over raw TCP), until
// SIGINT or SIGTERM. One board per server; run one per board on ports of
// their own for several kits.
#pragma once

#include <iosfwd>

#include "cli/command_line.h"
#include "hidlink/link.h"

namespace ql::cli {

// `line`'s addresses are checked already. Logs a line per connection opened,
// refused or closed, and per failed send, on `err`. 0 once stopped, 1 when it
// cannot listen.
int RunServe(hidlink::Link& link, const CommandLine& line, std::ostream& err);

}  // namespace ql::cli
