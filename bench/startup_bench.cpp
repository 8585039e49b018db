// How late the operator's program paints its first window, against a bare Qt
// Widgets program showing one window. Each iteration starts one fresh process
// (offscreen) and times it from just before the start to its first paint, as
// the probe linked into it reports; repetitions of the two run interleaved,
// so that both see the same machine.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

long long MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

// Nanoseconds from just before the start of `program` to its first paint.
std::optional<long long> TimeToFirstPaint(const char* program) {
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(program), nullptr};
  const long long started = MonotonicNs();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string text;
  char buffer[64];
  for (ssize_t n; spawned == 0 && (n = read(out[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  int status = 0;
  if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0 || text.empty())
    return std::nullopt;
  return std::strtoll(text.c_str(), nullptr, 10) - started;
}

void BM_FirstPaint(benchmark::State& state, const char* program) {
  for (auto _ : state) {
    const auto ns = TimeToFirstPaint(program);
    if (!ns) {
      state.SkipWithError("the probe did not report a first paint");
      break;
    }
    state.SetIterationTime(static_cast<double>(*ns) * 1e-9);
  }
}
BENCHMARK_CAPTURE(BM_FirstPaint, QL8810Eval, QL_PROBE_PROGRAM)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(21)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstPaint, BareQt, QL_PROBE_BARE_QT)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(21)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Qt wants a private runtime folder; the probes need not warn about it.
  char runtimeDir[] = "/tmp/ql-startup-XXXXXX";
  const bool ownRuntimeDir = !std::getenv("XDG_RUNTIME_DIR") && mkdtemp(runtimeDir);
  if (ownRuntimeDir) setenv("XDG_RUNTIME_DIR", runtimeDir, 1);
  // The two programs' repetitions in random turns unless told otherwise.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (ownRuntimeDir) rmdir(runtimeDir);
  return 0;
}
