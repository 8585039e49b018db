// The ql8810 command line, read strictly: every word is a command, an option
// of the tool or of its command, or one of the command's arguments. Anything
// else is refused with one line that names the word, before anything touches
// a device, so a script never runs something it did not ask for.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hidlink/board_selector.h"
#include "hidlink/sim/sim_pc.h"

namespace ql::cli {

enum class Command { kLevel, kBreak, kZeb, kRead, kSweep, kList, kWatch, kTest, kCaps, kServe };

// A command line to run, every value checked. Only the command's own fields
// are meaningful.
struct CommandLine {
  std::optional<hidlink::sim::Scenario> simulate;  // empty: the machine's own platform
  bool trace = false;
  std::optional<hidlink::BoardSelector> board;  // empty: the first board
  Command command = Command::kList;
  bool json = false;
  std::uint64_t count = 0;  // watch: 0 until interrupted
  int level = 0;
  bool silent = false;
  int zebCode = 0;
  std::array<std::uint8_t, 6> zebBytes{};
  int timeoutMs = 1000;
  int from = 0, to = 0, step = 1, intervalMs = 0, repeat = 1;
  std::uint8_t byte0 = 0x01, byte1 = 0x00;
  std::string descriptorFile;
  // serve: where it listens, the networks it answers beyond this PC, how
  // long a silent client stays.
  std::string listen = "127.0.0.1:5025";
  std::vector<std::string> allow;
  int idleTimeoutSeconds = 600;
};

struct ParsedCommandLine {
  enum class Kind { kRun, kPrint, kBad };
  Kind kind = Kind::kBad;
  CommandLine line;  // kRun
  // kPrint: help or version text for standard output. kBad: one line, without
  // its line end, saying which word was wrong and what was expected.
  std::string text;
};

// `args` are the words after the program's name.
ParsedCommandLine ParseCommandLine(std::span<const std::string_view> args);

}  // namespace ql::cli
