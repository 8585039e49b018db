// One dimming level through the C interface on the simulated board, open:
// the yardstick of the Python package's kit.level() (bench/python_level_bench.py).
#include <benchmark/benchmark.h>

#include "ql8810.h"

namespace {

void BM_CSetLevel(benchmark::State& state) {
  ql8810_board* board = nullptr;
  if (ql8810_open(nullptr, "board", &board) != QL8810_OK) {
    state.SkipWithError(ql8810_last_message());
    return;
  }
  int level = 0;
  for (auto _ : state) {
    if (ql8810_set_level(board, level) != QL8810_OK) {
      state.SkipWithError(ql8810_last_message());
      break;
    }
    level = (level + 1) & 31;
  }
  ql8810_close(board);
}
BENCHMARK(BM_CSetLevel);

}  // namespace

BENCHMARK_MAIN();
