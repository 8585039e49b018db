// The splash window: the kit's name, the program's version and the way on.
#pragma once

#include <QWidget>

namespace ql::app {

class FrmSplash final : public QWidget {
  Q_OBJECT

 public:
  FrmSplash();
  // Puts the version into its label.
  void Load();

 signals:
  // "&Continue", any key that types a character, or the window manager's
  // close: none of them may leave the operator without a window.
  void continueRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ql::app
