#include "cli/commands.h"

#include <chrono>
#include <ostream>
#include <thread>
#include <vector>

#include "board/dimming.h"
#include "board/zeb.h"
#include "cli/json_text.h"
#include "cli/list_words.h"
#include "cli/quoted_input.h"
#include "cli/stop_signals.h"
#include "hidlink/hid_test.h"
#include "hidlink/interface_list.h"
#include "hidlink/text_helpers.h"

namespace ql::cli {
namespace {

// The wait for an input report failed rather than timed out: the board was
// unplugged, or its interface removed, while the tool waited.
constexpr std::string_view kBoardWentAway =
    "ql8810: the board went away while waiting for an input report";

// While it lives, a stop that comes during the link's wait for an input
// report ends the tool at once with `line`: nothing is half done then.
class StopDuringWaits {
 public:
  StopDuringWaits(hidlink::Link& link, std::string_view line) : link_(link) {
    link_.SetWaitRunner([line](const std::function<void()>& wait) {
      const StoppableWait stoppable(line);
      wait();
    });
  }
  ~StopDuringWaits() { link_.SetWaitRunner(nullptr); }
  StopDuringWaits(const StopDuringWaits&) = delete;
  StopDuringWaits& operator=(const StopDuringWaits&) = delete;

 private:
  hidlink::Link& link_;
};

std::string FourHexDigits(std::uint16_t value) {
  return hidlink::TwoHexDigits(static_cast<std::uint8_t>(value >> 8)) +
         hidlink::TwoHexDigits(static_cast<std::uint8_t>(value & 0xFF));
}

std::string ListedJson(const hidlink::InterfaceEntry& entry, bool isBoard) {
  std::string json =
      "{\"index\": " + std::to_string(entry.index) + ", \"path\": " + JsonString(entry.path);
  if (entry.attributes) {
    json += ", \"vendor_id\": " + std::to_string(entry.attributes->VendorID) +
            ", \"product_id\": " + std::to_string(entry.attributes->ProductID) +
            ", \"version\": " + std::to_string(entry.attributes->VersionNumber);
  } else {
    json += ", \"vendor_id\": null, \"product_id\": null, \"version\": null";
  }
  return json + ", \"serial\": " + JsonString(entry.serial) +
         ", \"manufacturer\": " + JsonString(entry.manufacturer) +
         ", \"product\": " + JsonString(entry.product) + ", \"port\": " + JsonString(entry.port) +
         ", \"board\": " + (isBoard ? "true" : "false") + "}";
}

}  // namespace

void ConsoleMessages::ShowMessage(std::string_view text) {
  err_ << text << '\n';
  err_.flush();
}

int RunLevel(hidlink::Link& link, Streams io, int level) {
  return board::SendDimmingLevel(link, io.messages, static_cast<std::int16_t>(level)) ==
                 hidlink::SendOutcome::kSent
             ? 0
             : 1;
}

int RunBreak(hidlink::Link& link, Streams io, bool silent) {
  return board::SendBreakLong(link, io.messages, silent ? 1 : 0) != 0 ? 0 : 1;
}

int RunZeb(hidlink::Link& link, Streams io, int code, const std::array<std::uint8_t, 6>& bytes) {
  const std::span<const std::uint8_t> all(bytes);
  if (board::SendZebCommand(link, static_cast<std::int16_t>(code), all.first(2), all.last(4)) != 0)
    return 0;
  io.messages.ShowMessage(board::kBusWriteFailedMessage);
  return 1;
}

int RunRead(hidlink::Link& link, Streams io, int timeoutMs) {
  if (!link.OpenTheHidOnDemand()) {
    io.messages.ShowMessage(board::kLinkFailedMessage);
    return 1;
  }
  std::vector<std::uint8_t> data;
  const StopDuringWaits stoppable(link, "read: stopped while waiting for an input report");
  const std::int16_t n = link.ReadUSBReport(data, static_cast<std::int16_t>(timeoutMs));
  if (n <= 0) {
    // A failed wait has closed the link; after a time-out it stays open.
    if (link.MyDeviceDetected())
      io.err << "ql8810: no input report was read within " << timeoutMs << " ms\n";
    else
      io.err << kBoardWentAway << '\n';
    return 1;
  }
  std::string text = hidlink::HexByteText(data, static_cast<std::size_t>(n));
  text.pop_back();  // the blank after the last byte
  io.out << text << '\n';
  return 0;
}

int RunSweep(hidlink::Link& link, Streams io, int from, int to, int step, int intervalMs,
             int repeat) {
  const int direction = from <= to ? 1 : -1;
  const std::uint64_t levels = static_cast<std::uint64_t>((direction * (to - from)) / step + 1) *
                               static_cast<std::uint64_t>(repeat);
  std::uint64_t sent = 0;
  for (int round = 0; round < repeat; ++round) {
    for (int level = from;; level += direction * step) {
      // Between two reports, never inside one.
      if (const int stop = StopStatus()) {
        io.err << "sweep: stopped after " << sent << " of " << levels << " levels" << std::endl;
        return stop;
      }
      // The operator has been told; the levels after it would fail the same
      // way, each with the same message.
      if (RunLevel(link, io, level) != 0) return 1;
      ++sent;
      const int next = level + direction * step;
      const bool last = direction > 0 ? next > to : next < to;
      if (last && round + 1 == repeat) return 0;
      // No pause asked for is no call at all: a sleep of 0 still enters the
      // kernel, once per report.
      if (intervalMs > 0) SleepUnlessStopped(intervalMs);
      if (last) break;
    }
  }
  return 0;
}

int RunList(hidlink::Link& link, Streams io, bool json) {
  const auto entries = hidlink::ListInterfaces(link.platform());
  if (json) io.out << '[';
  for (const auto& entry : entries) {
    const bool isBoard = entry.Is(link.BoardVendorID(), link.BoardProductID());
    if (json) {
      io.out << (entry.index == 0 ? "\n" : ",\n") << ' ' << ListedJson(entry, isBoard);
      continue;
    }
    io.out << entry.index << ' ' << (entry.path.empty() ? "?" : entry.path) << ' ';
    if (entry.attributes) {
      io.out << FourHexDigits(entry.attributes->VendorID) << ':'
             << FourHexDigits(entry.attributes->ProductID);
    } else {
      io.out << "????:????";
    }
    io.out << ' ' << ListWord(entry.serial) << ' ' << QuotedInput(entry.product) << ' '
           << ListWord(entry.port) << (isBoard ? " board" : "") << '\n';
  }
  if (json) io.out << (entries.empty() ? "]\n" : "\n]\n");
  return 0;
}

int RunTest(hidlink::Link& link, Streams io, std::uint8_t byte0, std::uint8_t byte1,
            std::uint32_t waitMs) {
  hidlink::HidTestBytes bytes{byte0, byte1, false};
  const StopDuringWaits stoppable(link, "test: stopped while waiting for the answer");
  const hidlink::HidTestRun run =
      hidlink::RunHidTest(link, bytes, hidlink::GeneralDateText(), waitMs);
  if (!run.boardFound) {
    io.messages.ShowMessage(board::kLinkFailedMessage);
    return 1;
  }
  if (run.read.outcome == hidlink::Link::ReadOutcome::kFailed) {
    io.err << kBoardWentAway << '\n';
    return 1;
  }
  if (run.read.outcome != hidlink::Link::ReadOutcome::kCompleted) {
    io.err << "ql8810: no input report came within " << waitMs << " ms"
           << (run.writeOk ? "" : " (the board refused the test report)") << '\n';
    return 1;
  }
  std::string text = hidlink::HexByteText(run.read.bytes, run.read.bytes.size());
  if (!text.empty()) text.pop_back();  // the blank after the last byte
  io.out << text << '\n';
  return 0;
}

}  // namespace ql::cli
