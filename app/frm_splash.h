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
  // "&Continue", or any key that types a character: a key press must not
  // leave the operator without a window.
  void continueRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ql::app
