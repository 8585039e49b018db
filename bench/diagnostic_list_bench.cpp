// How the trace and a send scale: the list must stay cheap for a whole run.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>

#include "board/dimming.h"
#include "hidlink/link.h"
#include "hidlink/sim/sim_platform.h"

namespace {

using ql::hidlink::Link;
using ql::hidlink::sim::SimPlatform;

class NoMessages final : public ql::board::OperatorMessages {
 public:
  void ShowMessage(std::string_view) override {}
};

void BM_AppendRepeatedLine(benchmark::State& state) {
  ql::hidlink::DiagnosticList list;
  for (auto _ : state) list.Append(" Report Data:");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendRepeatedLine);

// One send with the board open: eleven trace lines and one simulated write.
void BM_SendDimmingLevel(benchmark::State& state) {
  Link link(std::make_unique<SimPlatform>());
  link.LoadReportConstants();
  NoMessages messages;
  std::int16_t level = 0;
  for (auto _ : state) {
    ql::board::SendDimmingLevel(link, messages, level);
    level = static_cast<std::int16_t>((level + 1) & 31);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["lines"] = static_cast<double>(link.List().size());
  state.counters["distinct"] = static_cast<double>(link.List().DistinctTexts());
}
BENCHMARK(BM_SendDimmingLevel);

}  // namespace

namespace {

long PeakRssKiB() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A whole run's worth of trace: a million sends on one link, and the memory
// the process needed for it.
void BM_MillionSendsMemory(benchmark::State& state) {
  for (auto _ : state) {
    const long before = PeakRssKiB();
    Link link(std::make_unique<SimPlatform>());
    link.LoadReportConstants();
    NoMessages messages;
    for (int i = 0; i < 1'000'000; ++i)
      ql::board::SendDimmingLevel(link, messages, static_cast<std::int16_t>(i & 31));
    state.counters["lines"] = static_cast<double>(link.List().size());
    state.counters["peak_rss_growth_MiB"] = static_cast<double>(PeakRssKiB() - before) / 1024.0;
  }
}
BENCHMARK(BM_MillionSendsMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
