// Runs the built ql8810 as a user would, capturing what it prints.
#pragma once

#include <string>

namespace ql::testing {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// `args` is appended to the tool's path as a shell command line.
ToolRun RunTool(const std::string& args);

}  // namespace ql::testing
