#include "app/frm_splash.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/identity.h"
#include "app/logo.h"
#include "app/native_frame.h"
#include "app/twips.h"

namespace ql::app {

FrmSplash::FrmSplash()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("frmSplash");
  setWindowTitle(QString());
  UseUntitledDialogFrame(*this);
  setFixedSize(TwipsSize(7716, 5424));

  auto* frame = new QFrame(this);
  frame->setObjectName("frmFlash");
  frame->setFrameShape(QFrame::Box);
  frame->setFrameShadow(QFrame::Sunken);
  frame->setGeometry(TwipsRect(120, 60, 7476, 5244));

  auto* name = new QLabel("Corvane QL8810  Eval Kit", frame);
  name->setObjectName("lblCompanyProduct");
  QFont nameFont("Arial");
  nameFont.setPointSizeF(18);
  nameFont.setBold(true);
  name->setFont(nameFont);
  name->setAlignment(Qt::AlignCenter);
  name->setGeometry(TwipsRect(240, 600, 6996, 720));

  auto* version = new QLabel("Label1", frame);
  version->setObjectName("lblVersion");
  QFont versionFont("Arial");
  versionFont.setPointSizeF(9.6);
  version->setFont(versionFont);
  version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  version->setGeometry(TwipsRect(3600, 1560, 3120, 360));

  NewLogoImage(frame, 360, 4320);

  auto* cont = new QPushButton("&Continue", frame);
  cont->setObjectName("cmdCont");
  cont->setGeometry(TwipsRect(5520, 4290, 1575, 525));
  connect(cont, &QPushButton::clicked, this, &FrmSplash::continueRequested);

  // The window sees key presses before its one focusable control.
  cont->installEventFilter(this);
  installEventFilter(this);
  cont->setFocus();

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void FrmSplash::Load() {
  findChild<QLabel*>("lblVersion")
      ->setText(
          QString("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
}

void FrmSplash::closeEvent(QCloseEvent* event) {
  event->accept();
  emit continueRequested();
}

bool FrmSplash::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->text().isEmpty()) {
    emit continueRequested();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace ql::app
