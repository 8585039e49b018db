// ql8810: the evaluation kit's command-line companion, for scripts and for
// trying the program without a board.
#include <CLI/CLI.hpp>
#include <array>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "board/board_identity.h"
#include "board/simulated_board.h"
#include "cli/access_hint.h"
#include "cli/commands.h"
#include "cli/descriptor_caps.h"
#include "cli/number_args.h"
#include "hidlink/hid_test.h"
#include "hidlink/sim/sim_pc.h"

namespace {

using ql::cli::NumberBase;
using ql::cli::ParseNumber;

constexpr int kBadUsage = 2;

struct Options {
  std::string simulate;  // scenario name; empty: the machine's own platform
  bool trace = false;
  std::string level;
  bool silent = false;
  std::vector<std::string> zeb;
  std::string timeoutMs = "1000";
  std::string from, to, step = "1", intervalMs = "0", repeat = "1";
  std::string descriptorFile;
  std::string byte0 = "01", byte1 = "00";
};

// Checks one number argument; on failure prints why and leaves `ok` false.
int Number(const std::string& text, int min, int max, std::string_view what, bool& ok,
           NumberBase base = NumberBase::kDecimal) {
  const auto parsed = ParseNumber(text, min, max, what, base);
  if (!parsed.value) {
    if (ok) std::cerr << "ql8810: " << parsed.error << '\n';
    ok = false;
    return 0;
  }
  return static_cast<int>(*parsed.value);
}

void DumpTrace(const ql::hidlink::DiagnosticList& list) {
  for (std::size_t i = 0; i < list.size(); ++i) std::cerr << list[i] << '\n';
  std::cerr.flush();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Command-line companion of the QL8810 Eval Kit: sets the chip's dimming level "
      "through the kit's USB HID interface board."};
  app.set_version_flag("--version", "ql8810 0.9.1");
  app.require_subcommand(1);
  app.fallthrough();
  Options o;
  app.add_flag("--simulate{board}", o.simulate,
               "Run on the built-in simulated board; SCENARIO is one of board (default), absent, "
               "none, mute")
      ->expected(0, 1);
  app.add_flag("--trace", o.trace,
               "Write the link's diagnostic trace to standard error afterwards");

  auto* level = app.add_subcommand("level", "Send dimming level N (0 to 31)");
  level->add_option("N", o.level, "Dimming level, a whole number 0 to 31")->required();
  auto* brk = app.add_subcommand("break", "Send the long bus break");
  brk->add_flag("--silent", o.silent, "Do not print the failure message");
  auto* zeb = app.add_subcommand("zeb", "Send one bus command: CODE B2 B3 B4 B5 B6 B7");
  zeb->add_option("values", o.zeb, "Code and six payload bytes, each 0 to 255, decimal or 0x-hex")
      ->required()
      ->expected(7);
  auto* read = app.add_subcommand("read", "Read one input report and print its bytes in hex");
  read->add_option("--timeout-ms", o.timeoutMs, "Longest wait in milliseconds (default 1000)");
  auto* sweep = app.add_subcommand("sweep", "Send every level from FROM to TO, one process");
  sweep->add_option("FROM", o.from, "First level")->required();
  sweep->add_option("TO", o.to, "Last level")->required();
  sweep->add_option("--step", o.step, "Distance between levels (default 1)");
  sweep->add_option("--interval-ms", o.intervalMs, "Pause between sends (default 0)");
  sweep->add_option("--repeat", o.repeat, "Run the whole sweep N times (default 1)");
  auto* list = app.add_subcommand("list", "List every HID interface present");
  auto* caps = app.add_subcommand(
      "caps", "Print the capability lines of the trace for a raw HID report descriptor file");
  caps->add_option("--descriptor", o.descriptorFile,
                   "Report descriptor bytes, e.g. /sys/class/hidraw/hidraw0/device/"
                   "report_descriptor")
      ->required();
  auto* test = app.add_subcommand(
      "test",
      "Write a test report (BYTE0 BYTE1 55 56 57 58 59 55), read one report back and print it");
  test->add_option("--byte0", o.byte0,
                   "First byte in hex, 00 to FF (default 01, the report ID the board takes)");
  test->add_option("--byte1", o.byte1, "Second byte in hex, 00 to FF (default 00)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "ql8810: " << e.what() << "\nRun 'ql8810 --help' for the commands.\n";
    return kBadUsage;
  }

  // Every value is checked before anything touches the link.
  bool ok = true;
  int levelValue = 0, timeout = 0, from = 0, to = 0, step = 1, interval = 0, repeat = 1;
  std::array<std::uint8_t, 6> zebBytes{};
  int zebCode = 0;
  std::uint8_t testByte0 = 0, testByte1 = 0;
  if (level->parsed()) levelValue = Number(o.level, 0, 31, "level", ok);
  if (zeb->parsed()) {
    zebCode = Number(o.zeb[0], 0, 255, "CODE", ok, NumberBase::kDecimalOrHex);
    for (std::size_t i = 0; i < zebBytes.size(); ++i)
      zebBytes[i] = static_cast<std::uint8_t>(
          Number(o.zeb[i + 1], 0, 255, "B" + std::to_string(i + 2), ok, NumberBase::kDecimalOrHex));
  }
  if (read->parsed()) timeout = Number(o.timeoutMs, 0, 32767, "--timeout-ms", ok);
  if (sweep->parsed()) {
    from = Number(o.from, 0, 31, "FROM", ok);
    to = Number(o.to, 0, 31, "TO", ok);
    step = Number(o.step, 1, 31, "--step", ok);
    interval = Number(o.intervalMs, 0, 3600000, "--interval-ms", ok);
    repeat = Number(o.repeat, 1, 100000000, "--repeat", ok);
  }
  if (test->parsed()) {
    testByte0 = static_cast<std::uint8_t>(Number(o.byte0, 0, 255, "--byte0", ok, NumberBase::kHex));
    testByte1 = static_cast<std::uint8_t>(Number(o.byte1, 0, 255, "--byte1", ok, NumberBase::kHex));
  }
  std::unique_ptr<ql::hidlink::Platform> platform;
  if (!o.simulate.empty()) {
    const auto scenario = ql::hidlink::sim::ParseScenario(o.simulate);
    if (!scenario) {
      if (ok)
        std::cerr << "ql8810: --simulate: unknown scenario \"" << o.simulate
                  << "\"; expected one of " << ql::hidlink::sim::kScenarioNames << '\n';
      ok = false;
    } else {
      platform = ql::board::MakeSimulatedPc(*scenario).platform;
    }
  }
  if (!ok) return kBadUsage;
  // Offline: no link, no platform.
  if (caps->parsed()) return ql::cli::RunCapsForDescriptor(o.descriptorFile, std::cout, std::cerr);

  if (!platform) platform = ql::hidlink::MakeSystemPlatform();
  ql::hidlink::Link link(std::move(platform), ql::board::kBoardIdentity);
  link.LoadReportConstants();

  ql::cli::ConsoleMessages messages(std::cerr);
  const ql::cli::Streams io{std::cout, std::cerr, messages};
  int status = 0;
  if (level->parsed()) status = ql::cli::RunLevel(link, io, levelValue);
  if (brk->parsed()) status = ql::cli::RunBreak(link, io, o.silent);
  if (zeb->parsed()) status = ql::cli::RunZeb(link, io, zebCode, zebBytes);
  if (read->parsed()) status = ql::cli::RunRead(link, io, timeout);
  if (sweep->parsed()) status = ql::cli::RunSweep(link, io, from, to, step, interval, repeat);
  if (list->parsed()) status = ql::cli::RunList(link, io);
  if (test->parsed())
    status = ql::cli::RunTest(link, io, testByte0, testByte1, ql::hidlink::kHidTestWaitMs);
  if (status != 0 && !list->parsed() && !link.MyDeviceDetected())
    ql::cli::ExplainMissingAccess(link, std::cerr);
  std::cout.flush();

  if (o.trace) DumpTrace(link.List());
  link.CloseTheHid();
  return status;
}
