// The ql8810 commands, each run on the run's link. They return the exit
// status: 0 done, 1 the board was not reached or went away, a write failed or
// a read got nothing.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>

#include "board/operator_messages.h"
#include "hidlink/link.h"

namespace ql::cli {

// Operator messages, one line each on the error stream.
class ConsoleMessages final : public board::OperatorMessages {
 public:
  explicit ConsoleMessages(std::ostream& err) : err_(err) {}
  void ShowMessage(std::string_view text) override;

 private:
  std::ostream& err_;
};

struct Streams {
  std::ostream& out;
  std::ostream& err;
  ConsoleMessages& messages;
};

int RunLevel(hidlink::Link& link, Streams io, int level);
int RunBreak(hidlink::Link& link, Streams io, bool silent);
int RunZeb(hidlink::Link& link, Streams io, int code, const std::array<std::uint8_t, 6>& bytes);
int RunRead(hidlink::Link& link, Streams io, int timeoutMs);
// The whole sweep `repeat` times, as one run on one open board; the first
// send that fails ends it.
int RunSweep(hidlink::Link& link, Streams io, int from, int to, int step, int intervalMs,
             int repeat = 1);
// Every HID interface present, a line each, or as a JSON array.
int RunList(hidlink::Link& link, Streams io, bool json = false);
// A line (or JSON line) each time a board is plugged in or unplugged, until
// interrupted, or until `count` lines when it is not 0.
int RunWatch(hidlink::Link& link, Streams io, bool json, std::uint64_t count);
// One write-then-read test without auto-increment; prints the bytes that came
// back. `waitMs` is there for tests; the tool waits as the window does.
int RunTest(hidlink::Link& link, Streams io, std::uint8_t byte0, std::uint8_t byte1,
            std::uint32_t waitMs);

}  // namespace ql::cli
