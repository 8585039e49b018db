// How late the operator's program paints its first window, against a bare Qt
// Widgets program showing one window. Each iteration starts one fresh process
// (offscreen) and times it up to its first paint, which the probe linked into
// it reports; the two programs' repetitions take turns, so that both see the
// same machine.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Starts `program` and returns at its first paint, as its probe reports it
// on standard output, with the timer paused while the process ends.
bool RunToFirstPaint(benchmark::State& state, const char* program) {
  int out[2];
  if (pipe(out) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(program), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  char line[64];
  const ssize_t n = spawned == 0 ? read(out[0], line, sizeof line) : -1;
  state.PauseTiming();
  close(out[0]);
  int status = 0;
  const bool ok = spawned == 0 && n > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                  WEXITSTATUS(status) == 0;
  state.ResumeTiming();
  return ok;
}

// The iteration's time runs from just before the process starts to the
// moment its first window is first painted.
void BM_FirstPaint(benchmark::State& state, const char* program) {
  for (auto _ : state) {
    if (!RunToFirstPaint(state, program)) {
      state.SkipWithError("the probe did not report a first paint");
      break;
    }
  }
}
BENCHMARK_CAPTURE(BM_FirstPaint, QL8810Eval, QL_PROBE_PROGRAM)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstPaint, BareQt, QL_PROBE_BARE_QT)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Qt wants a private runtime folder; the probes need not warn about it.
  char runtimeDir[] = "/tmp/ql-startup-XXXXXX";
  const bool ownRuntimeDir = !std::getenv("XDG_RUNTIME_DIR") && mkdtemp(runtimeDir);
  if (ownRuntimeDir) setenv("XDG_RUNTIME_DIR", runtimeDir, 1);
  // Eleven repetitions of each program, in random turns, unless told
  // otherwise on the command line.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  std::string repetitions = "--benchmark_repetitions=11";
  args.insert(args.begin() + 1, {interleave.data(), repetitions.data()});
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (ownRuntimeDir) rmdir(runtimeDir);
  return 0;
}
