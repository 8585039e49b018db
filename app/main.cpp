// QL8810Eval: the operator's program, on the machine's own HID interfaces.
//
//   QL8810Eval [--board SELECTOR]
//
// SELECTOR names one of several boards as `ql8810 --board` does.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/board_argument.h"
#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "app/program.h"
#include "board/board_identity.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("QL8810Eval");
  // The program ends through "&Exit" or the dimming window's close box only.
  QApplication::setQuitOnLastWindowClosed(false);

  ql::app::MessageBoxes messages;
  const ql::app::BoardArgument board = ql::app::BoardFromArguments(QApplication::arguments());
  if (!board.error.empty()) {
    // A program of the Windows GUI subsystem has no console to say it on.
    messages.ShowMessage(board.error);
    return 2;
  }
  ql::hidlink::Link link(ql::hidlink::MakeSystemPlatform(), ql::board::kBoardIdentity);
  link.SetBoardSelector(board.selector);
  ql::hidlink::DiagnosticList trace;
  ql::app::Program program(link, trace, messages, [] {
    std::fflush(nullptr);
    std::_Exit(0);
  });
  program.Start();
  messages.SetOwner(&program.Main());
  return QApplication::exec();
}
