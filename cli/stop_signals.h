// Ctrl-C and SIGTERM end a command between two reports, never inside one: a
// sweep stopped half way has sent whole reports only, closes the board and
// says how far it got.
#pragma once

#include <string_view>

namespace ql::cli {

// From now on the first SIGINT or SIGTERM (on Windows: Ctrl-C, Ctrl-Break,
// the console closed) is recorded instead of ending the process; later ones
// change nothing.
void CatchStopSignals();

// 0 until a stop came; then the exit status a shell expects of it: 130 for
// an interrupt, 143 for a termination.
int StopStatus();

// While one lives the tool only waits for an input report and holds nothing
// half done: a stop that comes then (or came before) ends the process at
// once, after writing `line` and a newline to standard error. `line` must
// outlive it.
class StoppableWait {
 public:
  explicit StoppableWait(std::string_view line);
  ~StoppableWait();
  StoppableWait(const StoppableWait&) = delete;
  StoppableWait& operator=(const StoppableWait&) = delete;
};

// Sleeps `ms` milliseconds, or less when a stop comes meanwhile.
void SleepUnlessStopped(int ms);

}  // namespace ql::cli
