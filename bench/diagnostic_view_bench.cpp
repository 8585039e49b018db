// The diagnostic window's list at a thousand and at a million lines of trace:
// one HID test run (some sixty lines, the last selected and scrolled to) must
// cost the view the same whatever the list's length.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <memory>

#include "app/frm_usb.h"
#include "board/board_identity.h"
#include "board/simulated_board.h"
#include "hidlink/link.h"

namespace {

void BM_HidTestRunWithTraceOf(benchmark::State& state) {
  ql::hidlink::Link link(ql::board::MakeSimulatedPc(ql::hidlink::sim::Scenario::kBoard).platform,
                         ql::board::kBoardIdentity);
  ql::app::FrmUsb usb(link);
  usb.Load();
  auto* view = usb.findChild<QTableView*>("lstResults");
  const auto lines = static_cast<std::size_t>(state.range(0));
  for (std::size_t i = link.List().size(); i < lines; ++i)
    link.List().Append(i % 2 ? " Report Data:" : " 00");
  QApplication::processEvents();
  for (auto _ : state) {
    usb.RunHidTest();
    QApplication::processEvents();
    view->viewport()->repaint();
  }
  state.counters["lines"] = static_cast<double>(link.List().size());
}
BENCHMARK(BM_HidTestRunWithTraceOf)->Arg(1000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
