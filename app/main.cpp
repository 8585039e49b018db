// QL8810Eval: the operator's program, on the machine's own HID interfaces.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/message_boxes.h"
#include "app/program.h"
#include "board/board_identity.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("QL8810Eval");
  // The program ends through "&Exit" or the dimming window's close box only.
  QApplication::setQuitOnLastWindowClosed(false);

  ql::hidlink::Link link(ql::hidlink::MakeSystemPlatform(), ql::board::kBoardIdentity);
  ql::app::MessageBoxes messages;
  ql::app::Program program(link, messages, [] {
    std::fflush(nullptr);
    std::_Exit(0);
  });
  program.Start();
  return QApplication::exec();
}
