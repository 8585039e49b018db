// QL8810Eval-demo: the operator's program on a simulated board, with a small
// window showing what the board received.
//
//   QL8810Eval-demo [SCENARIO] [--screenshots DIR]
//
// SCENARIO is board (the default), absent, none, mute, replug, two or
// two-no-serial. With --screenshots
// the demo plays a short session, saves a picture of each window into DIR and
// ends.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "app/board_window.h"
#include "app/frm_main.h"
#include "app/frm_usb.h"
#include "app/message_boxes.h"
#include "app/program.h"
#include "app/screenshots.h"
#include "board/board_identity.h"
#include "board/simulated_board.h"

namespace {

int Usage() {
  std::cerr << "usage: QL8810Eval-demo [SCENARIO] [--screenshots DIR]\n"
            << "SCENARIO: " << ql::hidlink::sim::kScenarioNames << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("QL8810Eval-demo");
  QApplication::setQuitOnLastWindowClosed(false);

  auto scenario = ql::hidlink::sim::Scenario::kBoard;
  QString screenshots;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == "--screenshots" && i + 1 < args.size()) {
      screenshots = args[++i];
    } else if (const auto s = ql::hidlink::sim::ParseScenario(args[i].toStdString())) {
      scenario = *s;
    } else {
      return Usage();
    }
  }

  ql::board::SimulatedPc sim = ql::board::MakeSimulatedPc(scenario);
  ql::hidlink::Link link(std::move(sim.platform), ql::board::kBoardIdentity);

  ql::app::MessageBoxes messages;
  ql::hidlink::DiagnosticList trace;
  ql::app::Program program(link, trace, messages, [] {
    std::fflush(nullptr);
    std::_Exit(0);
  });
  ql::app::BoardWindow board(*sim.pc, *sim.firmware, trace, [&program] {
    program.Usb().show();
    program.Usb().raise();
  });

  if (!screenshots.isEmpty()) return ql::app::TakeScreenshots(program, board, screenshots) ? 0 : 1;

  board.JoinProgram(program);
  program.Start();
  messages.SetOwner(&program.Main());
  return QApplication::exec();
}
