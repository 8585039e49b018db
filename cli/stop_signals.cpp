#include "cli/stop_signals.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#include <csignal>
#endif

namespace ql::cli {
namespace {

constexpr int kInterrupted = 130;  // 128 + SIGINT, as shells report it
constexpr int kTerminated = 143;   // 128 + SIGTERM

// Lock-free, so that a signal handler may touch them.
std::atomic<int> stopStatus{0};
std::atomic<const char*> waitLine{nullptr};
std::atomic<std::size_t> waitLength{0};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<const char*>::is_always_lock_free);

// Async-signal-safe: write(2) and _exit only.
void EndNow(int status) {
  const char* line = waitLine.load();
  const std::size_t length = waitLength.load();
#ifdef _WIN32
  if (line) {
    _write(2, line, static_cast<unsigned>(length));
    _write(2, "\n", 1);
  }
#else
  if (line) {
    [[maybe_unused]] const auto a = ::write(2, line, length);
    [[maybe_unused]] const auto b = ::write(2, "\n", 1);
  }
#endif
  std::_Exit(status);
}

void Record(int status) {
  int none = 0;
  stopStatus.compare_exchange_strong(none, status);
  if (waitLine.load()) EndNow(stopStatus.load());
}

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      Record(kInterrupted);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      Record(kTerminated);
      // Windows ends the process when the handler returns: let the command
      // finish its report first.
      for (int i = 0; i < 50; ++i) Sleep(100);
      return TRUE;
    default:
      return FALSE;
  }
}
#else
void OnSignal(int signal) {
  Record(signal == SIGINT ? kInterrupted : kTerminated);
}
#endif

}  // namespace

void CatchStopSignals() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls are restarted: a write to the board finishes.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

int StopStatus() {
  return stopStatus.load();
}

StoppableWait::StoppableWait(std::string_view line) {
  waitLength.store(line.size());
  waitLine.store(line.data());
  if (const int status = stopStatus.load()) EndNow(status);
}

StoppableWait::~StoppableWait() {
  waitLine.store(nullptr);
}

void SleepUnlessStopped(int ms) {
  using namespace std::chrono;
  const auto until = steady_clock::now() + milliseconds(ms);
  // In slices: a signal handler cannot wake a sleeping thread portably.
  while (stopStatus.load() == 0) {
    const auto now = steady_clock::now();
    if (now >= until) return;
    std::this_thread::sleep_for(std::min<steady_clock::duration>(until - now, milliseconds(20)));
  }
}

}  // namespace ql::cli
