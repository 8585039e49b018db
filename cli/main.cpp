// ql8810: the evaluation kit's command-line companion, for scripts and for
// trying the program without a board.
#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

#include "board/board_identity.h"
#include "board/simulated_board.h"
#include "cli/access_hint.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/descriptor_caps.h"
#include "cli/serve.h"
#include "cli/stop_signals.h"
#include "hidlink/board_selector.h"
#include "hidlink/hid_test.h"
#include "hidlink/interface_list.h"
#include "hidlink/sim/sim_pc.h"
#include "hidlink/streamed_trace.h"

namespace {

constexpr int kBadUsage = 2;

}  // namespace

int main(int argc, char** argv) {
  using ql::cli::Command;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const ql::cli::ParsedCommandLine parsed = ql::cli::ParseCommandLine(args);
  switch (parsed.kind) {
    case ql::cli::ParsedCommandLine::Kind::kPrint:
      std::cout << parsed.text;
      return 0;
    case ql::cli::ParsedCommandLine::Kind::kBad:
      std::cerr << "ql8810: " << parsed.text << '\n';
      return kBadUsage;
    case ql::cli::ParsedCommandLine::Kind::kRun:
      break;
  }
  const ql::cli::CommandLine& o = parsed.line;
  // Offline: no link, no platform.
  if (o.command == Command::kCaps)
    return ql::cli::RunCapsForDescriptor(o.descriptorFile, std::cout, std::cerr);

  std::unique_ptr<ql::hidlink::Platform> platform;
  if (o.simulate) {
    ql::board::SimulatedPc sim = ql::board::MakeSimulatedPc(*o.simulate);
    // A mute board keeps the tool waiting as long as a real one would.
    sim.pc->SetRealTimeWaits(true);
    platform = std::move(sim.platform);
  } else {
    platform = ql::hidlink::MakeSystemPlatform();
  }
  ql::hidlink::Link link(std::move(platform), ql::board::kBoardIdentity);
  // Each line goes out as it is made; without --trace none is made.
  ql::hidlink::StreamedTrace trace(stderr);
  if (o.trace) link.SetTrace(&trace);
  link.LoadReportConstants();
  // A selector must name one board of those present before anything is
  // written; list and watch show them all whatever it names, and a server
  // waits for its board (each command searches for it).
  if (o.board && o.command == Command::kServe) link.SetBoardSelector(o.board);
  if (o.board && o.command != Command::kList && o.command != Command::kWatch &&
      o.command != Command::kServe) {
    const std::string problem =
        ql::hidlink::SelectionProblem(ql::hidlink::ListInterfaces(link.platform()), *o.board,
                                      link.BoardVendorID(), link.BoardProductID());
    if (!problem.empty()) {
      std::cerr << "ql8810: " << problem << '\n';
      return 1;
    }
    link.SetBoardSelector(o.board);
  }

  ql::cli::ConsoleMessages messages(std::cerr);
  const ql::cli::Streams io{std::cout, std::cerr, messages};
  // watch ends at Ctrl-C as it always did, between two whole lines; the
  // server stops itself.
  if (o.command != Command::kWatch && o.command != Command::kList && o.command != Command::kServe)
    ql::cli::CatchStopSignals();
  int status = 0;
  switch (o.command) {
    case Command::kLevel:
      status = ql::cli::RunLevel(link, io, o.level);
      break;
    case Command::kBreak:
      status = ql::cli::RunBreak(link, io, o.silent);
      break;
    case Command::kZeb:
      status = ql::cli::RunZeb(link, io, o.zebCode, o.zebBytes);
      break;
    case Command::kRead:
      status = ql::cli::RunRead(link, io, o.timeoutMs);
      break;
    case Command::kSweep:
      status = ql::cli::RunSweep(link, io, o.from, o.to, o.step, o.intervalMs, o.repeat);
      break;
    case Command::kList:
      status = ql::cli::RunList(link, io, o.json);
      break;
    case Command::kWatch:
      status = ql::cli::RunWatch(link, io, o.json, o.count);
      break;
    case Command::kTest:
      status = ql::cli::RunTest(link, io, o.byte0, o.byte1, ql::hidlink::kHidTestWaitMs);
      break;
    case Command::kServe:
      status = ql::cli::RunServe(link, o, std::cerr);
      break;
    case Command::kCaps:
      break;
  }
  if (status != 0 && o.command != Command::kList && o.command != Command::kWatch &&
      o.command != Command::kServe && !link.MyDeviceDetected())
    ql::cli::ExplainMissingAccess(link, std::cerr);
  std::cout.flush();
  trace.Flush();
  link.CloseTheHid();
  // A command that ended before the stop was seen (a single send) still
  // tells the shell it was interrupted.
  if (const int stop = ql::cli::StopStatus(); stop != 0 && status == 0) status = stop;
  return status;
}
