// The diagnostic window's list as the trace grows: appending a thousand
// lines, the last one selected as the link does, with the view catching up
// and repainting, must cost the same at fifteen million rows as at a
// thousand.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "app/frm_usb.h"
#include "app/trace_view.h"
#include "hidlink/link.h"
#include "hidlink/sim/sim_platform.h"

namespace {

void AppendLines(ql::hidlink::DiagnosticList& list, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) list.Append(i % 2 ? " Report Data:" : " 00");
}

void BM_ViewAppend1k(benchmark::State& state) {
  ql::hidlink::Link link(std::make_unique<ql::hidlink::sim::SimPlatform>());
  ql::app::FrmUsb usb(link);
  usb.Load();
  auto* view = usb.findChild<ql::app::TraceView*>("lstResults");
  ql::hidlink::DiagnosticList& list = link.List();
  AppendLines(list, static_cast<std::size_t>(state.range(0)) - list.size());
  list.SelectLast();
  QApplication::processEvents();
  for (auto _ : state) {
    AppendLines(list, 1000);
    list.SelectLast();
    QApplication::processEvents();
    view->viewport()->repaint();
  }
  state.counters["rows"] = static_cast<double>(view->Rows());
}
// A fixed count keeps the rows held near the argument.
BENCHMARK(BM_ViewAppend1k)
    ->Arg(1000)
    ->Arg(1'000'000)
    ->Arg(4'000'000)
    ->Arg(15'000'000)
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
