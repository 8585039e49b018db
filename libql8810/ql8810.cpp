// The C interface over the link the programs use: each handle owns one Link
// on the machine's own platform or on a simulated PC of its own. Nothing but
// status codes crosses the interface; a handle is checked against the open
// ones before it is touched, so a closed or made-up one is refused.
#include "ql8810.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "board/board_identity.h"
#include "board/dimming.h"
#include "board/simulated_board.h"
#include "board/zeb.h"
#include "hidlink/board_selector.h"
#include "hidlink/hid_test.h"
#include "hidlink/interface_list.h"
#include "hidlink/kept_trace.h"
#include "hidlink/link.h"
#include "hidlink/sim/sim_pc.h"

struct ql8810_board {
  // The trace is declared first: the link points at it until the end.
  ql::hidlink::KeptTrace trace;
  std::unique_ptr<ql::hidlink::Link> link;
  std::string path;  // the board's on the machine; empty on a simulated PC
  ql8810_trace_callback callback = nullptr;
  void* context = nullptr;
  // A call that uses the link is under way: a trace callback that calls back
  // into this handle may read its trace, nothing more.
  bool busy = false;

  // The link makes lines only while something wants them. A setter called
  // from the callback leaves the sink in place until the call under way ends:
  // the link is in the middle of writing its lines to it.
  void AttachTrace() {
    if (!busy) link->SetTrace(trace.Limit() > 0 || callback ? &trace : nullptr);
  }
};

namespace {

// The library's messages go nowhere: the caller gets a status instead.
class NoMessages final : public ql::board::OperatorMessages {
 public:
  void ShowMessage(std::string_view) override {}
};

std::mutex openMutex;
std::set<const ql8810_board*> openBoards;
std::set<std::string> openPaths;

thread_local std::string lastMessage;
thread_local std::string lastOpenTrace;

int Fail(int status, std::string message) {
  lastMessage = std::move(message);
  return status;
}
int Succeed() {
  lastMessage.clear();
  return QL8810_OK;
}

bool IsOpen(const ql8810_board* board) {
  const std::lock_guard lock(openMutex);
  return board != nullptr && openBoards.contains(board);
}

// The platform for `simulate` (NULL: the machine's own).
std::unique_ptr<ql::hidlink::Platform> MakePlatform(const char* simulate, int& status) {
  status = QL8810_OK;
  if (simulate == nullptr) return ql::hidlink::MakeSystemPlatform();
  const auto scenario = ql::hidlink::sim::ParseScenario(simulate);
  if (!scenario) {
    status = Fail(QL8810_E_ARGUMENT, "unknown scenario; expected one of " +
                                         std::string(ql::hidlink::sim::kScenarioNames));
    return nullptr;
  }
  return ql::board::MakeSimulatedPc(*scenario).platform;
}

// Copies `text` with its terminating zero into `buffer` of `size` bytes.
int CopyText(std::string_view text, char* buffer, std::size_t size, std::size_t* length) {
  if (length) *length = text.size();
  if (buffer == nullptr || size < text.size() + 1)
    return Fail(QL8810_E_BUFFER, "the buffer is too short");
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return Succeed();
}

// A record's text field, cut to fit at a character boundary.
template <std::size_t N>
void Field(char (&field)[N], const std::string& text) {
  std::size_t n = std::min(text.size(), N - 1);
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

int NotReached(const ql8810_board* board) {
  return board->link->MyDeviceDetected() ? Fail(QL8810_E_WRITE, "the board took no report")
                                         : Fail(QL8810_E_NOT_FOUND, "the board was not found");
}

// One dimming level, 0 to 31, to an open board.
int SendLevel(ql8810_board* board, int level) {
  NoMessages messages;
  switch (ql::board::SendDimmingLevel(*board->link, messages, static_cast<std::int16_t>(level))) {
    case ql::hidlink::SendOutcome::kSent:
      return Succeed();
    case ql::hidlink::SendOutcome::kRefused:
      return Fail(QL8810_E_ARGUMENT, "level refused");
    default:
      return NotReached(board);
  }
}

constexpr int kLongestInterval = 3'600'000;  // an hour, in ms

// Every entry point catches what the C++ below it may throw (memory, most
// likely): nothing crosses into C.
template <typename Body>
int Guarded(Body body) {
  try {
    return body();
  } catch (const std::exception& e) {
    return Fail(QL8810_E_ARGUMENT, std::string("internal failure: ") + e.what());
  } catch (...) {
    return Fail(QL8810_E_ARGUMENT, "internal failure");
  }
}

// An entry point that uses `board`'s link: refused for a handle that is not
// open, or whose own trace callback is calling (the link is in the middle of
// an operation then).
template <typename Body>
int WithLink(ql8810_board* board, Body body) {
  return Guarded([&] {
    if (!IsOpen(board)) return Fail(QL8810_E_HANDLE, "not an open board");
    if (board->busy) return Fail(QL8810_E_REENTRANT, "called from the handle's own trace callback");
    board->busy = true;
    struct Done {
      ql8810_board& board;
      ~Done() {
        board.busy = false;
        board.AttachTrace();
      }
    } done{*board};
    return body();
  });
}

}  // namespace

extern "C" {

const char* ql8810_version(void) {
  return "1.0.0";
}

const char* ql8810_strerror(int status) {
  switch (status) {
    case QL8810_OK:
      return "success";
    case QL8810_E_ARGUMENT:
      return "invalid argument";
    case QL8810_E_HANDLE:
      return "not an open board";
    case QL8810_E_NOT_FOUND:
      return "board not found";
    case QL8810_E_AMBIGUOUS:
      return "the selector names several boards";
    case QL8810_E_BUSY:
      return "the board is open already";
    case QL8810_E_WRITE:
      return "the board took no report";
    case QL8810_E_TIMEOUT:
      return "no input report came in time";
    case QL8810_E_GONE:
      return "the board went away";
    case QL8810_E_BUFFER:
      return "buffer too short";
    case QL8810_E_REENTRANT:
      return "called from the handle's own trace callback";
    default:
      return "unknown status";
  }
}

const char* ql8810_last_message(void) {
  return lastMessage.c_str();
}

int ql8810_list(const char* simulate, ql8810_interface* records, size_t capacity, size_t* count) {
  return Guarded([&] {
    if (count == nullptr || (records == nullptr && capacity > 0))
      return Fail(QL8810_E_ARGUMENT, "no place for the records or their count");
    int status = QL8810_OK;
    auto platform = MakePlatform(simulate, status);
    if (!platform) return status;
    const auto entries = ql::hidlink::ListInterfaces(*platform);
    *count = entries.size();
    for (std::size_t i = 0; i < std::min(capacity, entries.size()); ++i) {
      const auto& e = entries[i];
      ql8810_interface& r = records[i];
      r = {};
      r.index = e.index;
      Field(r.path, e.path);
      r.has_ids = e.attributes.has_value();
      if (e.attributes) {
        r.vendor_id = e.attributes->VendorID;
        r.product_id = e.attributes->ProductID;
        r.version = e.attributes->VersionNumber;
      }
      Field(r.serial, e.serial);
      Field(r.manufacturer, e.manufacturer);
      Field(r.product, e.product);
      Field(r.port, e.port);
      r.is_board = e.Is(ql::board::BoardVendorID, ql::board::BoardProductID);
    }
    if (capacity < entries.size()) return Fail(QL8810_E_BUFFER, "more interfaces than records");
    return Succeed();
  });
}

int ql8810_open(const char* selector, const char* simulate, ql8810_board** board) {
  return Guarded([&] {
    lastOpenTrace.clear();
    if (board == nullptr) return Fail(QL8810_E_ARGUMENT, "no place for the handle");
    *board = nullptr;
    std::optional<ql::hidlink::BoardSelector> chosen;
    if (selector != nullptr) {
      auto parsed = ql::hidlink::ParseBoardSelector(selector);
      if (!parsed.selector) return Fail(QL8810_E_ARGUMENT, "bad selector: " + parsed.error);
      chosen = std::move(parsed.selector);
    }
    int status = QL8810_OK;
    auto platform = MakePlatform(simulate, status);
    if (!platform) return status;
    auto opened = std::make_unique<ql8810_board>();
    opened->link =
        std::make_unique<ql::hidlink::Link>(std::move(platform), ql::board::kBoardIdentity);
    ql::hidlink::Link& link = *opened->link;
    opened->AttachTrace();
    link.LoadReportConstants();
    std::string problem = "no board found";
    if (chosen) {
      const auto interfaces = ql::hidlink::ListInterfaces(link.platform());
      const auto vendor = link.BoardVendorID(), product = link.BoardProductID();
      problem = ql::hidlink::SelectionProblem(interfaces, *chosen, vendor, product);
      if (ql::hidlink::SelectedBoards(interfaces, *chosen, vendor, product).size() > 1)
        return Fail(QL8810_E_AMBIGUOUS, problem);
      link.SetBoardSelector(chosen);
    }
    if (!link.FindTheHid()) {
      // The search's trace is what tells a lab why: kept for ql8810_open_trace.
      lastOpenTrace = opened->trace.Joined();
      return Fail(QL8810_E_NOT_FOUND, problem);
    }
    const std::lock_guard lock(openMutex);
    if (simulate == nullptr) {
      // One handle per board: two would share its input reports.
      if (openPaths.contains(link.DevicePath())) {
        link.CloseTheHid();
        return Fail(QL8810_E_BUSY, "board " + link.DevicePath() + " is open already");
      }
      opened->path = link.DevicePath();
      openPaths.insert(opened->path);
    }
    *board = opened.release();
    openBoards.insert(*board);
    return Succeed();
  });
}

int ql8810_open_trace(char* buffer, size_t size, size_t* length) {
  return Guarded([&] {
    if (length == nullptr) return Fail(QL8810_E_ARGUMENT, "no place for the length");
    return CopyText(lastOpenTrace, buffer, size, length);
  });
}

int ql8810_close(ql8810_board* board) {
  return Guarded([&] {
    {
      const std::lock_guard lock(openMutex);
      if (board == nullptr || !openBoards.contains(board))
        return Fail(QL8810_E_HANDLE, "not an open board");
      // Freed under its own callback, the link would return into nothing.
      if (board->busy)
        return Fail(QL8810_E_REENTRANT, "called from the handle's own trace callback");
      openBoards.erase(board);
      openPaths.erase(board->path);
    }
    board->busy = true;
    board->link->Shutdown();
    delete board;
    return Succeed();
  });
}

int ql8810_set_level(ql8810_board* board, int level) {
  return WithLink(board, [&] {
    if (level < 0 || level > 31) return Fail(QL8810_E_ARGUMENT, "level is 0 to 31");
    return SendLevel(board, level);
  });
}

int ql8810_sweep(ql8810_board* board, int start, int stop, int step, int interval_ms,
                 size_t* sent) {
  if (sent) *sent = 0;
  return WithLink(board, [&] {
    if (start < 0 || start > 31 || stop < 0 || stop > 31 || step < 1 || step > 31 ||
        interval_ms < 0 || interval_ms > kLongestInterval)
      return Fail(QL8810_E_ARGUMENT,
                  "levels 0 to 31, a step of 1 to 31 and an interval of 0 to 3600000 ms");
    const int direction = start <= stop ? 1 : -1;
    const auto interval = std::chrono::milliseconds(interval_ms);
    // Paced from the first send, so that the time a send takes does not
    // stretch the intervals.
    auto due = std::chrono::steady_clock::now();
    for (int level = start; direction * (stop - level) >= 0; level += direction * step) {
      if (level != start) {
        due += interval;
        if (interval_ms > 0) std::this_thread::sleep_until(due);
      }
      if (const int status = SendLevel(board, level); status != QL8810_OK) return status;
      if (sent) ++*sent;
    }
    return Succeed();
  });
}

int ql8810_send_bus_command(ql8810_board* board, int code, const unsigned char bytes[6]) {
  return WithLink(board, [&] {
    if (bytes == nullptr || code < 0 || code > 255)
      return Fail(QL8810_E_ARGUMENT, "a code 0 to 255 and six bytes");
    const std::span<const std::uint8_t> all(bytes, 6);
    if (ql::board::SendZebCommand(*board->link, static_cast<std::int16_t>(code), all.first(2),
                                  all.last(4)) != 0)
      return Succeed();
    return NotReached(board);
  });
}

int ql8810_send_break(ql8810_board* board) {
  return WithLink(board, [&] {
    NoMessages messages;
    if (ql::board::SendBreakLong(*board->link, messages, 1) != 0) return Succeed();
    return NotReached(board);
  });
}

int ql8810_read_report(ql8810_board* board, int timeout_ms, unsigned char* buffer, size_t size,
                       size_t* length) {
  return WithLink(board, [&] {
    if (length == nullptr || timeout_ms < 0 || timeout_ms > 32767)
      return Fail(QL8810_E_ARGUMENT, "a time-out of 0 to 32767 ms and a place for the length");
    ql::hidlink::Link& link = *board->link;
    if (!link.OpenTheHidOnDemand()) return Fail(QL8810_E_NOT_FOUND, "the board was not found");
    // Checked before the read, so that no report is taken and then lost.
    const std::size_t needed = link.Capabilities().InputReportByteLength;
    *length = needed;
    if (buffer == nullptr || size < needed) return Fail(QL8810_E_BUFFER, "the buffer is too short");
    std::vector<std::uint8_t> data;
    const std::int16_t n = link.ReadUSBReport(data, static_cast<std::int16_t>(timeout_ms));
    if (n <= 0) {
      *length = 0;
      return link.MyDeviceDetected() ? Fail(QL8810_E_TIMEOUT, "no input report came in time")
                                     : Fail(QL8810_E_GONE, "the board went away");
    }
    const auto got = std::min(static_cast<std::size_t>(n), size);
    std::memcpy(buffer, data.data(), got);
    *length = got;
    return Succeed();
  });
}

int ql8810_hid_test(ql8810_board* board, unsigned char byte0, unsigned char byte1,
                    unsigned char* answer, size_t size, size_t* length) {
  return WithLink(board, [&] {
    if (length == nullptr) return Fail(QL8810_E_ARGUMENT, "no place for the length");
    constexpr std::size_t kAnswer = 8;
    *length = kAnswer;
    if (answer == nullptr || size < kAnswer)
      return Fail(QL8810_E_BUFFER, "the buffer is too short");
    ql::hidlink::HidTestBytes bytes{byte0, byte1, false};
    const auto run = ql::hidlink::RunHidTest(*board->link, bytes, ql::hidlink::GeneralDateText());
    if (!run.boardFound) return Fail(QL8810_E_NOT_FOUND, "the board was not found");
    switch (run.read.outcome) {
      case ql::hidlink::Link::ReadOutcome::kCompleted:
        break;
      case ql::hidlink::Link::ReadOutcome::kTimedOut:
        *length = 0;
        return Fail(QL8810_E_TIMEOUT, "no answer came in time");
      case ql::hidlink::Link::ReadOutcome::kFailed:
        *length = 0;
        return Fail(QL8810_E_GONE, "the board went away");
    }
    const std::size_t got = std::min(run.read.bytes.size(), kAnswer);
    std::memcpy(answer, run.read.bytes.data(), got);
    *length = got;
    return Succeed();
  });
}

int ql8810_trace_count(ql8810_board* board, size_t* count) {
  return Guarded([&] {
    if (!IsOpen(board)) return Fail(QL8810_E_HANDLE, "not an open board");
    if (count == nullptr) return Fail(QL8810_E_ARGUMENT, "no place for the count");
    *count = board->trace.size();
    return Succeed();
  });
}

int ql8810_trace_line(ql8810_board* board, size_t index, char* buffer, size_t size,
                      size_t* length) {
  return Guarded([&] {
    if (!IsOpen(board)) return Fail(QL8810_E_HANDLE, "not an open board");
    if (length == nullptr) return Fail(QL8810_E_ARGUMENT, "no place for the length");
    if (index >= board->trace.size()) return Fail(QL8810_E_ARGUMENT, "no such trace line");
    return CopyText(board->trace[index], buffer, size, length);
  });
}

int ql8810_trace_text(ql8810_board* board, char* buffer, size_t size, size_t* length) {
  return Guarded([&] {
    if (!IsOpen(board)) return Fail(QL8810_E_HANDLE, "not an open board");
    if (length == nullptr) return Fail(QL8810_E_ARGUMENT, "no place for the length");
    return CopyText(board->trace.Joined(), buffer, size, length);
  });
}

int ql8810_trace_made(ql8810_board* board, unsigned long long* made) {
  return Guarded([&] {
    if (!IsOpen(board)) return Fail(QL8810_E_HANDLE, "not an open board");
    if (made == nullptr) return Fail(QL8810_E_ARGUMENT, "no place for the number");
    *made = board->trace.Made();
    return Succeed();
  });
}

int ql8810_set_trace_limit(ql8810_board* board, size_t lines) {
  return Guarded([&] {
    if (!IsOpen(board)) return Fail(QL8810_E_HANDLE, "not an open board");
    board->trace.SetLimit(lines);
    board->AttachTrace();
    return Succeed();
  });
}

int ql8810_trace_limit(ql8810_board* board, size_t* lines) {
  return Guarded([&] {
    if (!IsOpen(board)) return Fail(QL8810_E_HANDLE, "not an open board");
    if (lines == nullptr) return Fail(QL8810_E_ARGUMENT, "no place for the limit");
    *lines = board->trace.Limit();
    return Succeed();
  });
}

int ql8810_set_trace_callback(ql8810_board* board, ql8810_trace_callback callback, void* context) {
  return Guarded([&] {
    if (!IsOpen(board)) return Fail(QL8810_E_HANDLE, "not an open board");
    board->callback = callback;
    board->context = context;
    if (callback) {
      board->trace.SetOnLine([board](std::string_view line) {
        // Read now: the callback may replace itself while it runs. The line
        // is copied so that it ends in a zero for C.
        const ql8810_trace_callback call = board->callback;
        void* const context = board->context;
        if (!call) return;
        const std::string text(line);
        call(context, text.c_str(), text.size());
      });
    } else {
      board->trace.SetOnLine(nullptr);
    }
    board->AttachTrace();
    return Succeed();
  });
}

}  // extern "C"
