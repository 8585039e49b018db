"""The Python sweep of the kernel benchmark (scripts/bench-qemu): REPORTS
dimming levels, sweeps of 0 to 31, to the first board through the package,
as a lab script sends them. Prints "sweep_cpu_us N", the process's CPU
time over the sweeps alone. With SCENARIO, on that simulated PC (the memory
benchmark's long runs).
    python3 python_sweep.py REPORTS [SCENARIO]"""

import sys
import time

import ql8810


def main() -> int:
    if len(sys.argv) not in (2, 3) or not sys.argv[1].isdigit() or int(sys.argv[1]) % 32:
        print("usage: python_sweep.py REPORTS [SCENARIO] (REPORTS a multiple of 32)",
              file=sys.stderr)
        return 2
    with ql8810.open(simulate=sys.argv[2] if len(sys.argv) == 3 else None) as kit:
        start = time.process_time_ns()
        for _ in range(int(sys.argv[1]) // 32):
            kit.sweep(0, 31)
        used = time.process_time_ns() - start
    print("sweep_cpu_us", used // 1000)
    return 0


if __name__ == "__main__":
    sys.exit(main())
