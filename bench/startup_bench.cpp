// How long the operator waits for the first complete frame of the program as
// it ships, against a yardstick: a bare Qt Widgets window with one label and
// one button. Each iteration is one whole fresh process, timed from just
// before it starts to the line the first-frame probe prints; the programs
// take turns, so that both see the same machine.
//
// On Linux (offscreen) the probe is preloaded into both programs. With
// QL_STARTUP_WINE naming wine, and QL_STARTUP_WINE_PROGRAM and
// QL_STARTUP_WINE_YARDSTICK the Windows builds that have the probe linked in,
// the same pair is timed under Wine too (Wine's environment, its prefix and
// display, as the caller set them).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Launch {
  std::vector<std::string> argv;
  std::vector<std::string> extraEnvironment;
};

// Runs `launch` to its first complete frame; the seconds it took, or a
// negative value when the probe reported none.
double SecondsToFirstFrame(const Launch& launch) {
  std::vector<char*> argv, envp;
  for (const std::string& arg : launch.argv) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  for (const std::string& e : launch.extraEnvironment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  char line[64];
  const ssize_t n = spawned == 0 ? read(out[0], line, sizeof line) : -1;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  close(out[0]);
  int status = 0;
  const bool ok = spawned == 0 && n > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                  WEXITSTATUS(status) == 0;
  return ok ? took.count() : -1;
}

void BM_FirstFrame(benchmark::State& state, const Launch& launch) {
  for (auto _ : state) {
    const double seconds = SecondsToFirstFrame(launch);
    if (seconds < 0) {
      state.SkipWithError("the probe reported no first frame");
      break;
    }
    state.SetIterationTime(seconds);
  }
}

void Register(const char* name, Launch launch) {
  benchmark::RegisterBenchmark(name, BM_FirstFrame, std::move(launch))
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  // Qt wants a private runtime folder; the programs need not warn about it.
  char runtimeDir[] = "/tmp/ql-startup-XXXXXX";
  const bool ownRuntimeDir = !std::getenv("XDG_RUNTIME_DIR") && mkdtemp(runtimeDir);
  if (ownRuntimeDir) setenv("XDG_RUNTIME_DIR", runtimeDir, 1);

  const std::vector<std::string> offscreen = {"QT_QPA_PLATFORM=offscreen",
                                              std::string("LD_PRELOAD=") + QL_FIRST_FRAME_PROBE};
  Register("BM_FirstFrame/QL8810Eval", {{QL_STARTUP_PROGRAM}, offscreen});
  Register("BM_FirstFrame/Yardstick", {{QL_STARTUP_YARDSTICK}, offscreen});
  const char* wine = std::getenv("QL_STARTUP_WINE");
  const char* program = std::getenv("QL_STARTUP_WINE_PROGRAM");
  const char* yardstick = std::getenv("QL_STARTUP_WINE_YARDSTICK");
  if (wine && program && yardstick) {
    Register("BM_FirstFrame/Wine/QL8810Eval", {{wine, program}, {}});
    Register("BM_FirstFrame/Wine/Yardstick", {{wine, yardstick}, {}});
  }

  // One process a turn, the programs in random turns, unless told otherwise
  // on the command line.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  std::string repetitions = "--benchmark_repetitions=41";
  args.insert(args.begin() + 1, {interleave.data(), repetitions.data()});
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (ownRuntimeDir) rmdir(runtimeDir);
  return 0;
}
