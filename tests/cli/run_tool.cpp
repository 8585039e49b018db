#include "tests/cli/run_tool.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace ql::testing {
namespace {

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::filesystem::path ScratchFile(const char* what) {
  static std::atomic<int> counter{0};
#ifdef _WIN32
  const long pid = 0;
#else
  const long pid = static_cast<long>(getpid());
#endif
  return std::filesystem::temp_directory_path() /
         ("ql8810-test-" + std::to_string(pid) + "-" + std::to_string(counter++) + "." + what);
}

}  // namespace

ToolRun RunTool(const std::string& args) {
  const auto out = ScratchFile("out");
  const auto err = ScratchFile("err");
  const std::string command = std::string("\"") + QL8810_PATH + "\" " + args + " >\"" +
                              out.string() + "\" 2>\"" + err.string() + "\" </dev/null";
  const int raw = std::system(command.c_str());
  ToolRun run;
#ifdef _WIN32
  run.status = raw;
#else
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
#endif
  run.out = Slurp(out);
  run.err = Slurp(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return run;
}

}  // namespace ql::testing
