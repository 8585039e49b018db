"""Memory over a long run (figure H): the peak resident memory (VmHWM, as
wait4 reports it) of each program over a long sweep on the simulated board
against the same program over a short one, a process each, side by side.
Writes JSON: {"name": {"short_kib": N, "long_kib": N, "sends": N}, ...}.

    /usr/bin/python3 bench/peak_memory.py BUILD_DIR OUT.json [LONG_REPEATS]

BUILD_DIR is the release tree (build/ci); LONG_REPEATS (default 1,000,000)
sweeps of 32 levels against 1,000."""

import json
import os
import subprocess
import sys
import tempfile

SHORT = 1000


def peak_kib(runner, command, env=None):
    """Runs COMMAND (standard output and error to /dev/null) under RUNNER
    (build/ci/bench/ql_cpu_time); its VmHWM in KiB."""
    with tempfile.NamedTemporaryFile("r") as figures:
        done = subprocess.run([runner, figures.name] + command, env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, check=False)
        if done.returncode != 0:
            raise SystemExit(f"peak_memory: {' '.join(command)} exited {done.returncode}")
        return int(figures.read().split()[2])


def main():
    build, out = sys.argv[1], sys.argv[2]
    long_repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 1_000_000
    here = os.path.dirname(os.path.abspath(__file__))
    tool = os.path.join(build, "cli", "ql8810")
    python_env = dict(os.environ, PYTHONPATH=os.path.join(here, "..", "python"),
                      QL8810_LIBRARY=os.path.join(build, "libql8810", "libql8810.so.1"),
                      PYTHONDONTWRITEBYTECODE="1")
    programs = {
        "tool": lambda n: ([tool, "--simulate", "sweep", "0", "31", "--repeat", str(n)], None),
        "tool_trace": lambda n: ([tool, "--simulate", "--trace", "sweep", "0", "31", "--repeat", str(n)],
                                 None),
        "c_library": lambda n: ([os.path.join(build, "bench", "ql_c_sweep"), str(32 * n), "board"], None),
        "python": lambda n: (["/usr/bin/python3", os.path.join(here, "python_sweep.py"), str(32 * n), "board"],
                             python_env),
    }
    runner = os.path.join(build, "bench", "ql_cpu_time")
    results = {}
    for name, make in programs.items():
        short = peak_kib(runner, *make(SHORT))
        long = peak_kib(runner, *make(long_repeats))
        results[name] = {"short_kib": short, "long_kib": long, "sends": 32 * long_repeats}
        print(f"{name}: {short} KiB after {32 * SHORT} sends, {long} KiB after {32 * long_repeats}: "
              f"{long - short:+d} KiB", flush=True)
    with open(out, "w", encoding="utf-8") as f:
        json.dump(results, f, indent=1)


if __name__ == "__main__":
    main()
