#include "app/screenshots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>

#include "app/board_window.h"
#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/frm_usb.h"
#include "app/program.h"

namespace ql::app {
namespace {

bool Save(QWidget& window, const QDir& dir) {
  window.show();
  QApplication::processEvents();
  return window.grab().save(dir.filePath(window.objectName() + ".png"));
}

void Click(QWidget& window, const char* name) {
  window.findChild<QAbstractButton*>(name)->click();
  QApplication::processEvents();
}

}  // namespace

bool TakeScreenshots(Program& program, BoardWindow& board, const QString& dirName) {
  const QDir dir(dirName);
  if (!dir.mkpath(".")) return false;
  bool ok = true;

  program.Start();
  QApplication::processEvents();
  ok = ok && program.Splash().grab().save(dir.filePath("frmSplash.png"));
  Click(program.Splash(), "cmdCont");

  FrmUsb& usb = program.Usb();
  usb.findChild<QComboBox*>("cboByte0")->setCurrentIndex(1);
  Click(usb, "cmdOnce");
  ok = ok && Save(usb, dir);
  usb.hide();

  FrmMain& main = program.Main();
  main.findChild<QComboBox*>("comboLvl")->setCurrentIndex(12);
  Click(main, "CmdSend");
  ok = ok && Save(main, dir);

  board.Refresh();
  ok = ok && Save(board, dir);
  return ok;
}

}  // namespace ql::app
