// The diagnostic window's list as the trace grows: appending a thousand
// lines, the last one selected as the link does, with the view catching up
// and repainting, must cost the same at fifteen million rows as at a
// thousand.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <QApplication>
#include <algorithm>
#include <memory>

#include "app/trace_view.h"
#include "hidlink/diagnostic_list.h"

namespace {

void AppendLines(ql::hidlink::DiagnosticList& list, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) list.Append(i % 2 ? " Report Data:" : " 00");
}

// A list of `rows` lines in a view of the diagnostic window's size, shown.
struct ViewOf {
  explicit ViewOf(std::size_t rows) {
    AppendLines(*list, rows);
    list->SelectLast();
    view = std::make_unique<ql::app::TraceView>(*list);
    view->resize(353, 413);
    view->show();
    QApplication::processEvents();
  }
  std::unique_ptr<ql::hidlink::DiagnosticList> list =
      std::make_unique<ql::hidlink::DiagnosticList>();
  std::unique_ptr<ql::app::TraceView> view;
};

void BM_ViewAppend1k(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  // The list only grows: it is made afresh, off the clock, before it has
  // grown by a tenth (or by a thousand lines at the smallest size).
  const std::size_t limit = rows + std::max<std::size_t>(rows / 10, 1000);
  auto subject = std::make_unique<ViewOf>(rows);
  for (auto _ : state) {
    if (subject->list->size() >= limit) {
      state.PauseTiming();
      subject.reset();
      subject = std::make_unique<ViewOf>(rows);
      state.ResumeTiming();
    }
    AppendLines(*subject->list, 1000);
    subject->list->SelectLast();
    QApplication::processEvents();
    subject->view->viewport()->repaint();
  }
  state.counters["rows"] = static_cast<double>(subject->view->Rows());
}
BENCHMARK(BM_ViewAppend1k)
    ->Arg(1000)
    ->Arg(1'000'000)
    ->Arg(4'000'000)
    ->Arg(15'000'000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // A trace only grows: in a run every append lands in memory fresh from the
  // system, a page fault per 4 KiB of lines at any size. Left to itself,
  // malloc would hand the smallest case, made afresh after every thousand
  // lines, the memory its predecessor freed, already mapped, and spare it
  // the faults every other case pays (measured here: 1.11-1.16x at millions
  // of rows that way, 1.01-1.03x with every case on fresh memory).
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
