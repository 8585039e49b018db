// The program's run: splash window first, then the dimming window, with the
// diagnostic window loaded and hidden in between; the end always through the
// link's Shutdown.
#pragma once

#include <functional>
#include <memory>

#include "board/operator_messages.h"
#include "hidlink/diagnostic_list.h"
#include "hidlink/link.h"

namespace ql::app {

class FrmMain;
class FrmSplash;
class FrmUsb;

class Program {
 public:
  // `endProgram` ends the process at once, without running any further
  // handler; tests record the call instead. The windows keep the link's whole
  // trace in `trace`, which the program attaches to the link.
  Program(hidlink::Link& link, hidlink::DiagnosticList& trace, board::OperatorMessages& messages,
          std::function<void()> endProgram);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Shows the splash window, whose load has built the dimming window and
  // hidden it again.
  void Start();
  // Called once the dimming window is up (the demo shows its board then).
  void SetOnContinued(std::function<void()> onContinued) { onContinued_ = std::move(onContinued); }

  // Each window is created and loaded on first use.
  FrmSplash& Splash();
  FrmMain& Main();
  FrmUsb& Usb();

  // "&Exit": Shutdown, then the end of the program; the first call only.
  void Exit();

 private:
  void Continue();

  hidlink::Link& link_;
  hidlink::DiagnosticList& trace_;
  board::OperatorMessages& messages_;
  std::function<void()> endProgram_;
  std::function<void()> onContinued_;
  std::unique_ptr<FrmUsb> usb_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<FrmSplash> splash_;
  bool continued_ = false;
  bool ended_ = false;
};

}  // namespace ql::app
