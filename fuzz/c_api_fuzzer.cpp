// The C interface's argument space: any sequence of calls with any values,
// on simulated PCs, with handles open, closed, made up and null, and every
// buffer exactly as long as the call is told, so that one byte too many
// written is a finding.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "ql8810.h"

namespace {

constexpr const char* kScenarios[] = {"board",  "two",    "two-no-serial", "mute",
                                      "replug", "absent", "none"};

// A trace callback that calls back into the library for its own handle, one
// way or another.
struct Reentry {
  ql8810_board* board = nullptr;
  int action = 0;
};
void OnLine(void* context, const char* line, size_t length) {
  auto* reentry = static_cast<Reentry*>(context);
  if (line == nullptr || std::char_traits<char>::length(line) != length) __builtin_trap();
  char text[64];
  std::size_t n = 0;
  switch (reentry->action) {
    case 1:
      ql8810_set_level(reentry->board, 3);
      break;
    case 2:
      ql8810_close(reentry->board);
      break;
    case 3:
      ql8810_set_trace_callback(reentry->board, nullptr, nullptr);
      break;
    case 4:
      ql8810_set_trace_limit(reentry->board, 0);
      break;
    case 5:
      ql8810_trace_text(reentry->board, text, sizeof text, &n);
      break;
    default:
      break;
  }
}

std::string Scenario(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) return in.ConsumeRandomLengthString(16);
  return kScenarios[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kScenarios) - 1)];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<ql8810_board*> handles = {nullptr, reinterpret_cast<ql8810_board*>(0x1000)};
  std::vector<ql8810_board*> open;
  Reentry reentry;
  const auto pick = [&]() -> ql8810_board* {
    return handles[in.ConsumeIntegralInRange<std::size_t>(0, handles.size() - 1)];
  };
  const auto maybe = [&](auto* pointer) { return in.ConsumeBool() ? pointer : nullptr; };
  for (int step = 0; step < 32 && in.remaining_bytes() > 0; ++step) {
    std::size_t length = 0;
    const std::size_t room = in.ConsumeIntegralInRange<std::size_t>(0, 300);
    std::vector<unsigned char> bytes(room);
    std::vector<char> text(room);
    switch (in.ConsumeIntegralInRange(0, 16)) {
      case 0: {
        if (open.size() >= 3) break;
        const bool selected = in.ConsumeBool();
        const std::string selector = in.ConsumeRandomLengthString(600);
        const std::string scenario = Scenario(in);
        ql8810_board* board = nullptr;
        if (ql8810_open(selected ? selector.c_str() : nullptr, scenario.c_str(), maybe(&board)) ==
            QL8810_OK) {
          handles.push_back(board);
          open.push_back(board);
        }
        break;
      }
      case 1: {
        ql8810_board* board = pick();
        if (ql8810_close(board) == QL8810_OK) std::erase(open, board);
        break;
      }
      case 2:
        ql8810_set_level(pick(), in.ConsumeIntegral<int>());
        break;
      case 3: {
        unsigned char six[6] = {};
        ql8810_send_bus_command(pick(), in.ConsumeIntegral<int>(), maybe(six));
        break;
      }
      case 4:
        ql8810_send_break(pick());
        break;
      case 5:
        ql8810_read_report(pick(), in.ConsumeIntegralInRange(-5, 40), maybe(bytes.data()), room,
                           maybe(&length));
        break;
      case 6:
        ql8810_hid_test(pick(), in.ConsumeIntegral<unsigned char>(),
                        in.ConsumeIntegral<unsigned char>(), maybe(bytes.data()), room,
                        maybe(&length));
        break;
      case 7:
        ql8810_trace_count(pick(), maybe(&length));
        break;
      case 8:
        ql8810_trace_line(pick(), in.ConsumeIntegralInRange<std::size_t>(0, 400),
                          maybe(text.data()), room, maybe(&length));
        break;
      case 9: {
        const std::string scenario = Scenario(in);
        std::vector<ql8810_interface> records(room % 8);
        ql8810_list(scenario.c_str(), maybe(records.data()), records.size(), maybe(&length));
        break;
      }
      case 11: {
        // A valid interval is a few ms at most, else one out of range: the
        // fuzzer's time is for arguments, not for waiting.
        int interval = in.ConsumeIntegralInRange(0, 2);
        if (in.ConsumeBool())
          interval = in.ConsumeBool() ? in.ConsumeIntegralInRange(INT_MIN, -1)
                                      : in.ConsumeIntegralInRange(3'600'001, INT_MAX);
        ql8810_sweep(pick(), in.ConsumeIntegralInRange(-2, 33), in.ConsumeIntegralInRange(-2, 33),
                     in.ConsumeIntegralInRange(-1, 33), interval, maybe(&length));
        break;
      }
      case 10:
        ql8810_open_trace(maybe(text.data()), room, maybe(&length));
        break;
      case 12:
        ql8810_trace_text(pick(), maybe(text.data()), room, maybe(&length));
        break;
      case 13: {
        unsigned long long made = 0;
        ql8810_trace_made(pick(), maybe(&made));
        ql8810_trace_limit(pick(), maybe(&length));
        break;
      }
      case 14:
        ql8810_set_trace_limit(pick(), in.ConsumeBool()
                                           ? in.ConsumeIntegral<std::size_t>()
                                           : in.ConsumeIntegralInRange<std::size_t>(0, 40));
        break;
      case 15: {
        // One callback at a time: its context outlives every handle.
        reentry.board = pick();
        reentry.action = in.ConsumeIntegralInRange(0, 5);
        ql8810_set_trace_callback(reentry.board, in.ConsumeBool() ? OnLine : nullptr, &reentry);
        break;
      }
      default:
        ql8810_strerror(in.ConsumeIntegral<int>());
        ql8810_last_message();
        break;
    }
  }
  for (ql8810_board* board : open) ql8810_close(board);
  return 0;
}
