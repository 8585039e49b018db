// Ctrl-C and SIGTERM sent to the tool as a shell or a service manager sends
// them: between two reports, the board closed, one line saying how far it
// got, the shell's exit status, and every trace line made up to the stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ql::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string Slurp(const std::filesystem::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The tool started with `args`, its standard error in a file.
class Running {
 public:
  explicit Running(const std::vector<std::string>& args)
      : err_(std::filesystem::temp_directory_path() /
             ("ql8810-stop-" + std::to_string(getpid()) + "-" + std::to_string(++count_))) {
    pid_ = fork();
    if (pid_ == 0) {
      const int fd = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int null = ::open("/dev/null", O_RDWR);
      if (fd < 0 || null < 0) _exit(126);
      dup2(null, 0);
      dup2(null, 1);
      dup2(fd, 2);
      std::vector<char*> argv{const_cast<char*>(QL8810_PATH)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(QL8810_PATH, argv.data());
      _exit(127);
    }
  }
  ~Running() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove(err_);
  }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

  // Waits until standard error holds `line` (a whole line), up to 10 s.
  bool WaitForLine(const std::string& line) const {
    for (const auto end = Clock::now() + 10s; Clock::now() < end; std::this_thread::sleep_for(5ms))
      if (("\n" + Slurp(err_)).find("\n" + line + "\n") != std::string::npos) return true;
    return false;
  }
  void Signal(int signal) const { kill(pid_, signal); }
  // The exit status as a shell reports it, -1 when the tool had not ended
  // within 10 s (it is killed then).
  int Status() {
    for (const auto end = Clock::now() + 10s; Clock::now() < end;
         std::this_thread::sleep_for(5ms)) {
      int raw = 0;
      if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        reaped_ = true;
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      }
    }
    return -1;
  }
  std::string Err() const { return Slurp(err_); }

 private:
  static inline int count_ = 0;
  std::filesystem::path err_;
  pid_t pid_ = -1;
  bool reaped_ = false;
};

// A long traced sweep stopped by a signal, once or twice in a row: the stop
// comes between two sends, whose traces are all there, whole; the summary
// counts them.
TEST(Ql8810Stop, ASweepStopsBetweenTwoReportsAndSaysHowFarItGot) {
  const struct {
    const char* name;
    std::vector<int> signals;
    int status;
  } cases[] = {
      {"Ctrl-C", {SIGINT}, 130},
      {"SIGTERM", {SIGTERM}, 143},
      {"Ctrl-C twice", {SIGINT, SIGINT}, 130},
      {"SIGTERM, then Ctrl-C", {SIGTERM, SIGINT}, 143},
  };
  for (const auto& c : cases) {
    Running tool({"--simulate", "--trace", "sweep", "0", "31", "--repeat", "1000000"});
    ASSERT_TRUE(tool.WaitForLine(" Report Data:")) << c.name;
    for (const int s : c.signals) tool.Signal(s);
    EXPECT_EQ(tool.Status(), c.status) << c.name;
    const auto lines = LinesOf(tool.Err());
    ASSERT_GE(lines.size(), 9u) << c.name;
    const std::string& summary = lines.back();
    const std::string prefix = "sweep: stopped after ", suffix = " of 32000000 levels";
    ASSERT_TRUE(summary.starts_with(prefix) && summary.ends_with(suffix)) << summary;
    const long sent = std::stol(summary.substr(prefix.size()));
    EXPECT_GT(sent, 0) << c.name;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), " Report Data:"), sent) << c.name;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), " NumberOfBytesWritten = 8"), sent) << c.name;
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("sweep: "); }),
              1)
        << c.name;
    // The last send's lines are whole: its seven data bytes, then the summary.
    const auto last = std::find(lines.rbegin(), lines.rend(), " Report Data:");
    EXPECT_EQ(last - lines.rbegin(), 8) << c.name;
  }
}

// A stop during a wait for an input report ends the tool at once, whatever
// time-out was asked for: nothing is half done then.
TEST(Ql8810Stop, AReadOrTestWaitingForAnAnswerStopsAtOnce) {
  const struct {
    std::vector<std::string> args;
    const char* line;
    int signal;
    int status;
  } cases[] = {
      {{"--simulate=mute", "--trace", "read", "--timeout-ms", "30000"},
       "read: stopped while waiting for an input report",
       SIGINT,
       130},
      {{"--simulate=mute", "test"}, "test: stopped while waiting for the answer", SIGTERM, 143},
      {{"--simulate", "sweep", "0", "31", "--interval-ms", "60000"},
       "sweep: stopped after 1 of 32 levels",
       SIGINT,
       130},
  };
  for (const auto& c : cases) {
    Running tool(c.args);
    // Started, and past its first send or into its wait.
    std::this_thread::sleep_for(300ms);
    const auto signalled = Clock::now();
    tool.Signal(c.signal);
    EXPECT_EQ(tool.Status(), c.status) << c.line;
    EXPECT_LT(Clock::now() - signalled, 3s) << c.line;
    const auto lines = LinesOf(tool.Err());
    ASSERT_FALSE(lines.empty()) << c.line;
    EXPECT_EQ(lines.back(), c.line);
    if (c.args[1] == "--trace") {
      EXPECT_NE(std::find(lines.begin(), lines.end(), "waiting for ReadFile"), lines.end());
    }
  }
}

}  // namespace
}  // namespace ql::testing
