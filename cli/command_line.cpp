#include "cli/command_line.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "cli/number_args.h"
#include "cli/quoted_input.h"
#include "instrument/networks.h"

#ifndef QL8810_VERSION
#error "QL8810_VERSION comes from the project's version in CMake"
#endif

namespace ql::cli {
namespace {

struct OptionDef {
  std::string_view name;
  std::string_view value;  // the value's placeholder; empty for a flag
  std::string_view help;
  bool required = false;
  bool repeatable = false;  // given once per value
};

struct CommandDef {
  Command command;
  std::string_view name;
  std::span<const std::string_view> arguments;
  std::span<const OptionDef> options;
  std::string_view help;
};

constexpr std::string_view kLevelArguments[] = {"N"};
constexpr std::string_view kZebArguments[] = {"CODE", "B2", "B3", "B4", "B5", "B6", "B7"};
constexpr std::string_view kSweepArguments[] = {"FROM", "TO"};
constexpr OptionDef kBreakOptions[] = {{"--silent", "", "Print no failure message"}};
constexpr OptionDef kReadOptions[] = {
    {"--timeout-ms", "MS", "Longest wait in milliseconds, 0 to 32767 (default 1000)"}};
constexpr OptionDef kSweepOptions[] = {
    {"--step", "S", "Distance between levels, 1 to 31 (default 1)"},
    {"--interval-ms", "MS", "Pause between sends in milliseconds (default 0)"},
    {"--repeat", "N", "Run the whole sweep N times (default 1)"}};
constexpr OptionDef kTestOptions[] = {
    {"--byte0", "HH", "First byte in hex, 00 to FF (default 01, the report ID the board takes)"},
    {"--byte1", "HH", "Second byte in hex, 00 to FF (default 00)"}};
constexpr OptionDef kListOptions[] = {
    {"--json", "", "Print a JSON array of objects instead of lines, for scripts"}};
constexpr OptionDef kWatchOptions[] = {
    {"--json", "", "Print a JSON object per line instead"},
    {"--count", "N", "End after N lines (default: until interrupted)"}};
constexpr OptionDef kServeOptions[] = {
    {"--listen", "ADDR:PORT",
     "Where to listen (default 127.0.0.1:5025, this PC only); [::]:5025 for IPv6"},
    {"--allow", "NET",
     "A network whose clients are answered besides this PC's: an address, ADDR/PREFIX\n"
     "      or any; given once per network, and needed to listen on other than loopback",
     false, true},
    {"--idle-timeout", "SECONDS",
     "Close a connection silent for this long, 1 to 604800 (default 600)"}};
constexpr OptionDef kCapsOptions[] = {
    {"--descriptor", "FILE",
     "Report descriptor bytes, e.g. /sys/class/hidraw/hidraw0/device/report_descriptor", true}};

constexpr CommandDef kCommands[] = {
    {Command::kLevel, "level", kLevelArguments, {}, "Send dimming level N, a whole number 0 to 31"},
    {Command::kBreak, "break", {}, kBreakOptions, "Send the long bus break"},
    {Command::kZeb,
     "zeb",
     kZebArguments,
     {},
     "Send one bus command; each number 0 to 255, decimal or 0x-hex"},
    {Command::kRead, "read", {}, kReadOptions, "Read one input report and print its bytes in hex"},
    {Command::kSweep, "sweep", kSweepArguments, kSweepOptions,
     "Send every S-th level from FROM to TO in one process; stops at the first failure"},
    {Command::kList,
     "list",
     {},
     kListOptions,
     "List every HID interface present (index, path, VVVV:PPPP, serial number, product,\n"
     "      port) and mark the boards"},
    {Command::kWatch,
     "watch",
     {},
     kWatchOptions,
     "Print a line each time a board is plugged in or unplugged: time, plugged or\n"
     "      unplugged, serial number, port, path"},
    {Command::kTest,
     "test",
     {},
     kTestOptions,
     "Write BYTE0 BYTE1 55 56 57 58 59 55, read one report back and print it in hex"},
    {Command::kCaps,
     "caps",
     {},
     kCapsOptions,
     "Print the capability lines of the trace for a raw HID report descriptor file"},
    {Command::kServe,
     "serve",
     {},
     kServeOptions,
     "Answer SCPI over raw TCP (port 5025) as a network instrument, until stopped"},
};

// The tool's own options, given before or after the command. --simulate's
// value is optional; see the parsing below.
constexpr OptionDef kToolOptions[] = {
    {"--simulate", "SCENARIO", ""},
    {"--trace", "", ""},
    {"--board", "SELECTOR", ""},
    {"--help", "", ""},
    {"-h", "", ""},
    {"--version", "", ""},
};

std::string CommandNames() {
  std::string names;
  for (const CommandDef& c : kCommands) names += (names.empty() ? "" : ", ") + std::string(c.name);
  return names;
}

std::string ScenarioChoice() {
  return "expected one of " + std::string(hidlink::sim::kScenarioNames);
}

const CommandDef* FindCommand(std::string_view name) {
  for (const CommandDef& c : kCommands)
    if (c.name == name) return &c;
  return nullptr;
}

const OptionDef* FindOption(std::span<const OptionDef> options, std::string_view name) {
  for (const OptionDef& o : options)
    if (o.name == name) return &o;
  return nullptr;
}

// "-5" is a (negative) number, "-x" an option.
bool LooksLikeOption(std::string_view word) {
  return word.size() > 1 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9');
}

std::string Usage(const CommandDef& c) {
  std::string usage(c.name);
  for (std::string_view a : c.arguments) usage += " " + std::string(a);
  for (const OptionDef& o : c.options) {
    std::string option(o.name);
    if (!o.value.empty()) option += " " + std::string(o.value);
    if (o.repeatable) option += " ...";
    usage += o.required ? " " + option : " [" + option + "]";
  }
  return usage;
}

std::string HelpLine(std::string_view what, std::string_view help) {
  return "  " + std::string(what) + "\n      " + std::string(help) + "\n";
}

std::string ToolHelp() {
  std::string text =
      "ql8810: command-line companion of the QL8810 Eval Kit; sets the chip's dimming level\n"
      "through the kit's USB HID interface board.\n\n"
      "Usage: ql8810 [--simulate[=SCENARIO]] [--trace] [--board SELECTOR] COMMAND ...\n"
      "       ql8810 COMMAND --help\n\nCommands:\n";
  for (const CommandDef& c : kCommands) text += HelpLine(Usage(c), c.help);
  text +=
      "\nOptions:\n" +
      HelpLine("--simulate[=SCENARIO]",
               "Run on the built-in simulated PC instead of the machine's own HID interfaces;\n"
               "      SCENARIO is one of " +
                   std::string(hidlink::sim::kScenarioNames) + " (default board)") +
      HelpLine("--trace", "Write the link's diagnostic trace to standard error as it is made") +
      HelpLine("--board SELECTOR",
               "With several boards, the one to use: its serial number, device path or port\n"
               "      as list shows them, or #N for the Nth board in list order (default: the\n"
               "      first)") +
      HelpLine("--help, -h", "This help; after a command, the command's help") +
      HelpLine("--version", "The version") +
      "\nExit status: 0 done; 1 the board was not found or went away, a write failed or a\n"
      "read got no report; 2 a bad command line or value, with one line saying what was wrong;\n"
      "130 stopped by Ctrl-C, 143 by SIGTERM (a sweep between two reports, saying how far it "
      "got).\n";
  return text;
}

std::string CommandHelp(const CommandDef& c) {
  std::string text = "Usage: ql8810 [--simulate[=SCENARIO]] [--trace] [--board SELECTOR] " +
                     Usage(c) + "\n" + std::string(c.help) + "\n";
  if (!c.options.empty()) text += "\nOptions:\n";
  for (const OptionDef& o : c.options)
    text +=
        HelpLine(std::string(o.name) + (o.value.empty() ? "" : " " + std::string(o.value)), o.help);
  return text;
}

ParsedCommandLine Bad(std::string text) {
  return {ParsedCommandLine::Kind::kBad, {}, std::move(text)};
}

ParsedCommandLine Print(std::string text) {
  return {ParsedCommandLine::Kind::kPrint, {}, std::move(text)};
}

// The words of one command line, sorted by role before any value is checked.
struct Words {
  const CommandDef* command = nullptr;
  std::vector<std::string_view> arguments;
  std::vector<std::pair<std::string_view, std::string_view>> options;  // name, value

  std::optional<std::string_view> Option(std::string_view name) const {
    for (const auto& [n, v] : options)
      if (n == name) return v;
    return std::nullopt;
  }
  std::vector<std::string> All(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& [n, v] : options)
      if (n == name) values.emplace_back(v);
    return values;
  }
};

// serve's addresses: each well formed, and a listening address other than
// loopback only with at least one --allow, so that nothing answers a network
// unless someone said which.
std::string CheckServeAddresses(const CommandLine& line) {
  std::string problem;
  const auto listen = instrument::ParseListenAddress(line.listen, problem);
  if (!listen) return "--listen " + QuotedInput(line.listen) + ": " + problem;
  for (const std::string& network : line.allow)
    if (!instrument::Network::Parse(network, problem))
      return "--allow " + QuotedInput(network) + ": " + problem;
  if (!listen->address.is_loopback() && line.allow.empty())
    return "--listen " + QuotedInput(line.listen) +
           " reaches other machines: say whose clients to answer with --allow NET (an address, "
           "ADDR/PREFIX, or any)";
  return {};
}

// Turns the sorted words into checked values; the first bad one is reported.
ParsedCommandLine CheckValues(const Words& words) {
  ParsedCommandLine parsed{ParsedCommandLine::Kind::kRun, {}, {}};
  CommandLine& line = parsed.line;
  line.command = words.command->command;
  line.trace = words.Option("--trace").has_value();
  if (const auto board = words.Option("--board")) {
    hidlink::ParsedSelector selector = hidlink::ParseBoardSelector(*board);
    if (!selector.selector)
      return Bad("--board: bad selector " + QuotedInput(*board) + "; " + selector.error);
    line.board = std::move(selector.selector);
  }
  if (const auto scenario = words.Option("--simulate")) {
    if (scenario->empty()) return Bad("--simulate: empty scenario \"\"; " + ScenarioChoice());
    line.simulate = hidlink::sim::ParseScenario(*scenario);
    if (!line.simulate)
      return Bad("--simulate: unknown scenario " + QuotedInput(*scenario) + "; " +
                 ScenarioChoice());
  }

  std::string error;
  const auto number = [&](std::string_view text, int min, int max, std::string_view what,
                          NumberBase base = NumberBase::kDecimal) {
    const ParsedNumber n = ParseNumber(text, min, max, what, base);
    if (!n.value && error.empty()) error = n.error;
    return n.value ? static_cast<int>(*n.value) : 0;
  };
  const auto option = [&](std::string_view name, std::string_view fallback) {
    return words.Option(name).value_or(fallback);
  };
  const auto& a = words.arguments;
  switch (line.command) {
    case Command::kLevel:
      line.level = number(a[0], 0, 31, "level");
      break;
    case Command::kBreak:
      line.silent = words.Option("--silent").has_value();
      break;
    case Command::kZeb:
      line.zebCode = number(a[0], 0, 255, "CODE", NumberBase::kDecimalOrHex);
      for (std::size_t i = 0; i < line.zebBytes.size(); ++i)
        line.zebBytes[i] = static_cast<std::uint8_t>(
            number(a[i + 1], 0, 255, kZebArguments[i + 1], NumberBase::kDecimalOrHex));
      break;
    case Command::kRead:
      line.timeoutMs = number(option("--timeout-ms", "1000"), 0, 32767, "--timeout-ms");
      break;
    case Command::kSweep:
      line.from = number(a[0], 0, 31, "FROM");
      line.to = number(a[1], 0, 31, "TO");
      line.step = number(option("--step", "1"), 1, 31, "--step");
      line.intervalMs = number(option("--interval-ms", "0"), 0, 3600000, "--interval-ms");
      line.repeat = number(option("--repeat", "1"), 1, 100000000, "--repeat");
      break;
    case Command::kList:
      line.json = words.Option("--json").has_value();
      break;
    case Command::kWatch:
      line.json = words.Option("--json").has_value();
      line.count =
          static_cast<std::uint64_t>(number(option("--count", "0"), 0, 1000000000, "--count"));
      break;
    case Command::kTest:
      line.byte0 = static_cast<std::uint8_t>(
          number(option("--byte0", "01"), 0, 255, "--byte0", NumberBase::kHex));
      line.byte1 = static_cast<std::uint8_t>(
          number(option("--byte1", "00"), 0, 255, "--byte1", NumberBase::kHex));
      break;
    case Command::kCaps:
      line.descriptorFile = std::string(*words.Option("--descriptor"));
      if (line.descriptorFile.empty()) error = "--descriptor: empty file name";
      break;
    case Command::kServe:
      if (line.trace) error = "serve: its trace is the instrument's DIAGnostic:TRACe?, not --trace";
      line.listen = std::string(option("--listen", "127.0.0.1:5025"));
      line.allow = words.All("--allow");
      line.idleTimeoutSeconds =
          number(option("--idle-timeout", "600"), 1, 604800, "--idle-timeout");
      if (error.empty()) error = CheckServeAddresses(line);
      break;
  }
  if (!error.empty()) return Bad(error);
  return parsed;
}

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const std::string_view> args) {
  Words words;
  bool onlyArguments = false;  // after "--"
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view word = args[i];
    const std::string where = words.command ? std::string(words.command->name) + ": " : "";
    if (!onlyArguments && word == "--") {
      onlyArguments = true;
      continue;
    }
    if (onlyArguments || !LooksLikeOption(word)) {
      if (!words.command) {
        words.command = FindCommand(word);
        if (!words.command)
          return Bad(QuotedInput(word) + " is not a command; expected one of " + CommandNames());
      } else if (words.arguments.size() < words.command->arguments.size()) {
        words.arguments.push_back(word);
      } else {
        return Bad(where + "unexpected argument " + QuotedInput(word));
      }
      continue;
    }

    const std::size_t equals = word.find('=');
    const std::string_view name = word.substr(0, equals);
    const OptionDef* known = FindOption(kToolOptions, name);
    if (!known && words.command) known = FindOption(words.command->options, name);
    if (!known) {
      if (!words.command) {
        for (const CommandDef& c : kCommands)
          if (FindOption(c.options, name))
            return Bad(QuotedInput(name) + " is an option of " + std::string(c.name) +
                       "; give it after the command");
      }
      return Bad(where + "unknown option " + QuotedInput(name));
    }
    if (!known->repeatable && words.Option(known->name))
      return Bad(where + std::string(known->name) + " given twice");

    std::string_view value;
    if (equals != std::string_view::npos) {
      if (known->value.empty())
        return Bad(where + std::string(known->name) + " takes no value: " + QuotedInput(word));
      value = word.substr(equals + 1);
    } else if (known->name == "--simulate") {
      // "--simulate absent" works as "--simulate=absent" does, and an empty
      // word after it (an empty shell variable) is an empty scenario; any
      // other word is left to be the command.
      const bool scenarioNext = !words.command && i + 1 < args.size() &&
                                (args[i + 1].empty() || hidlink::sim::ParseScenario(args[i + 1]));
      value = scenarioNext ? args[++i] : hidlink::sim::ScenarioName(hidlink::sim::Scenario::kBoard);
    } else if (!known->value.empty()) {
      if (i + 1 == args.size()) return Bad(where + std::string(known->name) + " needs a value");
      value = args[++i];
    }
    if (known->name == "--help" || known->name == "-h")
      return Print(words.command ? CommandHelp(*words.command) : ToolHelp());
    if (known->name == "--version") return Print("ql8810 " QL8810_VERSION "\n");
    words.options.emplace_back(known->name, value);
  }

  if (!words.command) return Bad("no command given; expected one of " + CommandNames());
  const auto& wanted = words.command->arguments;
  const std::string where = std::string(words.command->name) + ": ";
  if (words.arguments.size() < wanted.size())
    return Bad(where + "missing " + std::string(wanted[words.arguments.size()]));
  for (const OptionDef& o : words.command->options)
    if (o.required && !words.Option(o.name))
      return Bad(where + "missing " + std::string(o.name) + " " + std::string(o.value));
  return CheckValues(words);
}

}  // namespace ql::cli
