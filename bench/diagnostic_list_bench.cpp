// What a send costs, in time and in memory, over a whole run: the trace of a
// long run must stay near four bytes a line.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <memory>

#include "board/board_identity.h"
#include "board/dimming.h"
#include "board/simulated_board.h"
#include "hidlink/diagnostic_list.h"

namespace {

using ql::hidlink::Link;

class NoMessages final : public ql::board::OperatorMessages {
 public:
  void ShowMessage(std::string_view) override {}
};

// The board open, its link tracing into the whole list as the windows keep it.
struct OpenBoard {
  OpenBoard() : sim(ql::board::MakeSimulatedPc(ql::hidlink::sim::Scenario::kBoard)) {
    platform = sim.platform.get();
    link = std::make_unique<Link>(std::move(sim.platform), ql::board::kBoardIdentity);
    link->SetTrace(&list);
    link->LoadReportConstants();
    link->OpenTheHidOnDemand();
  }
  ql::board::SimulatedPc sim;
  ql::hidlink::Platform* platform;
  ql::hidlink::DiagnosticList list;
  std::unique_ptr<Link> link;
  NoMessages messages;
};

// One send with the board open: the report built, written to the simulated
// board, and its eleven trace lines. What the link itself costs a send; what
// an operator meets is the kernel's write (scripts/bench-qemu).
void BM_TracedSend(benchmark::State& state) {
  OpenBoard b;
  std::int16_t level = 0;
  for (auto _ : state) {
    ql::board::SendDimmingLevel(*b.link, b.messages, level);
    level = static_cast<std::int16_t>((level + 1) & 31);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TracedSend);

// Memory the process holds now (not its high-water mark): the heap and the
// trace's own mapped blocks alike.
std::size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// A long run's worth of trace: what sends enough for fifteen million trace
// lines add to the memory of the link and the simulated board, per line.
void BM_TraceMemory15M(benchmark::State& state) {
  for (auto _ : state) {
    OpenBoard b;
    const std::size_t before = ResidentBytes();
    const std::size_t listBefore = b.list.BytesHeld();
    const std::size_t linesBefore = b.list.size();
    for (int i = 0; b.list.size() - linesBefore < 15'000'000; ++i)
      ql::board::SendDimmingLevel(*b.link, b.messages, static_cast<std::int16_t>(i & 31));
    const auto lines = static_cast<double>(b.list.size() - linesBefore);
    state.counters["lines"] = lines;
    state.counters["bytes_per_line"] = static_cast<double>(ResidentBytes() - before) / lines;
    state.counters["list_bytes_per_line"] =
        static_cast<double>(b.list.BytesHeld() - listBefore) / lines;
  }
}
BENCHMARK(BM_TraceMemory15M)->Iterations(1)->Unit(benchmark::kMillisecond);

// A board unplugged and plugged in again between every two sends, a thousand
// times over: every send must arrive, no device stay open, and nothing but
// the trace grow.
void BM_ReplugCycles(benchmark::State& state) {
  for (auto _ : state) {
    ql::board::SimulatedPc sim = ql::board::MakeSimulatedPc(ql::hidlink::sim::Scenario::kReplug);
    ql::hidlink::sim::SimPc& pc = *sim.pc;
    const ql::board::Firmware& firmware = *sim.firmware;
    Link link(std::move(sim.platform), ql::board::kBoardIdentity);
    ql::hidlink::DiagnosticList list;
    link.SetTrace(&list);
    link.LoadReportConstants();
    NoMessages messages;
    constexpr int kSends = 2000;  // a thousand replugs
    std::size_t before = 0, listBefore = 0;
    for (int i = 0; i < kSends; ++i) {
      if (i == kSends / 10) {  // past the first searches' one-time costs
        before = ResidentBytes();
        listBefore = list.BytesHeld();
      }
      ql::board::SendDimmingLevel(link, messages, static_cast<std::int16_t>(i & 31));
    }
    const double replugs = kSends * 0.9 / 2;
    const double grown = static_cast<double>(ResidentBytes() - before);
    const double trace = static_cast<double>(list.BytesHeld() - listBefore);
    link.Shutdown();
    state.counters["lost_sends"] = static_cast<double>(kSends - firmware.ReceivedCount());
    state.counters["open_devices_after_exit"] = pc.OpenDevices();
    state.counters["heap_per_replug"] = grown / replugs;
    state.counters["trace_bytes_per_replug"] = trace / replugs;
  }
}
BENCHMARK(BM_ReplugCycles)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
