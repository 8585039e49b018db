"""CPU time of one `kit.level()` on the simulated board, open, written as
Google Benchmark's JSON (a median of repetitions) for scripts/bench, beside
the C call's figure (BM_CSetLevel of ql_library_bench).
    python3 python_level_bench.py OUT.json [REPETITIONS]"""

import json
import statistics
import sys
import time

import ql8810

CALLS = 100_000


def main() -> None:
    out = sys.argv[1]
    repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 9
    with ql8810.open(simulate="board") as kit:
        for i in range(CALLS // 10):  # warm-up
            kit.level(i & 31)
        per_call = []
        for _ in range(repetitions):
            start = time.process_time_ns()
            for i in range(CALLS):
                kit.level(i & 31)
            per_call.append((time.process_time_ns() - start) / CALLS)
    median = statistics.median(per_call)
    entry = {"name": "PyKitLevel_median", "run_name": "PyKitLevel", "run_type": "aggregate",
             "aggregate_name": "median", "cpu_time": median, "real_time": median, "time_unit": "ns",
             "repetitions": repetitions, "iterations": CALLS}
    with open(out, "w", encoding="utf-8") as f:
        json.dump({"benchmarks": [entry]}, f, indent=1)
    print(f"PyKitLevel: {median:.0f} ns CPU per call (median of {repetitions} x {CALLS})")


if __name__ == "__main__":
    main()
