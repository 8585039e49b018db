#include "app/program.h"

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/frm_usb.h"
#include "app/identity.h"

namespace ql::app {

Program::Program(hidlink::Link& link, hidlink::DiagnosticList& trace,
                 board::OperatorMessages& messages, std::function<void()> endProgram)
    : link_(link), trace_(trace), messages_(messages), endProgram_(std::move(endProgram)) {
  link_.SetTrace(&trace_);
}

Program::~Program() {
  link_.SetTrace(nullptr);
}

FrmSplash& Program::Splash() {
  if (!splash_) {
    splash_ = std::make_unique<FrmSplash>();
    QObject::connect(splash_.get(), &FrmSplash::continueRequested, [this] { Continue(); });
    splash_->Load();
    // The rest of the splash window's load: the dimming window is built, shows
    // itself in its own load and is hidden again, so that it is ready behind
    // the splash window before the operator sees anything.
    Main().hide();
  }
  return *splash_;
}

FrmMain& Program::Main() {
  if (!main_) {
    main_ = std::make_unique<FrmMain>(link_, messages_);
    QObject::connect(main_.get(), &FrmMain::exitRequested, [this] { Exit(); });
    main_->Load();
  }
  return *main_;
}

FrmUsb& Program::Usb() {
  if (!usb_) {
    usb_ = std::make_unique<FrmUsb>(link_, trace_);
    usb_->Load();
  }
  return *usb_;
}

void Program::Start() {
  Splash().show();
}

void Program::Continue() {
  if (continued_) return;
  continued_ = true;
  // The diagnostic window's load sets the link's constants: it must come
  // before the operator can send.
  Usb().hide();
  Splash().hide();
  Main().setWindowTitle(kMainWindowTitle);
  Main().show();
  if (onContinued_) onContinued_();
}

void Program::Exit() {
  // The close box after "&Exit" (or a second close) finds the link released.
  if (ended_) return;
  ended_ = true;
  link_.Shutdown();
  endProgram_();
}

}  // namespace ql::app
