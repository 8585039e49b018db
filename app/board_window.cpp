#include "app/board_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "app/frm_main.h"
#include "app/program.h"
#include "hidlink/text_helpers.h"

namespace ql::app {

QPoint PlaceBeside(const QRect& anchor, const QSize& frameSize, const QRect& screen) {
  constexpr int kGap = 16;
  const int w = frameSize.width(), h = frameSize.height();
  const int screenRight = screen.right() + 1 - w, screenBottom = screen.bottom() + 1 - h;
  const QPoint candidates[] = {{anchor.right() + 1 + kGap, anchor.top()},
                               {anchor.left() - kGap - w, anchor.top()},
                               {anchor.left(), anchor.bottom() + 1 + kGap},
                               {anchor.left(), anchor.top() - kGap - h},
                               {screenRight, screen.top()},
                               {screenRight, screenBottom},
                               {screen.left(), screen.top()},
                               {screen.left(), screenBottom}};
  const auto onScreen = [&](QPoint at) {
    at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screenRight)));
    at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screenBottom)));
    return at;
  };
  const auto covered = [&](QPoint at) {
    const QRect over = QRect(at, frameSize).intersected(anchor);
    return over.isEmpty() ? 0 : over.width() * over.height();
  };
  // Each side in turn, slid along it as far as the screen needs; on a screen
  // too small for both windows side by side (a high scale factor), the side or
  // corner of the screen where it covers the least of the anchor.
  QPoint best = onScreen(candidates[0]);
  for (const QPoint candidate : candidates) {
    const QPoint at = onScreen(candidate);
    if (covered(at) == 0) return at;
    if (covered(at) < covered(best)) best = at;
  }
  return best;
}

BoardWindow::BoardWindow(hidlink::sim::SimPc& sim, const board::Firmware& firmware,
                         hidlink::DiagnosticList& trace, std::function<void()> showDiagnosticWindow)
    : sim_(sim), firmware_(firmware), trace_(trace) {
  setObjectName("frmBoard");
  setWindowTitle("QL8810 board (simulated)");

  level_ = new QLabel(this);
  level_->setObjectName("lblLevel");
  QFont big = font();
  big.setPointSizeF(big.pointSizeF() * 2.5);
  big.setBold(true);
  level_->setFont(big);
  level_->setAlignment(Qt::AlignCenter);
  level_->setMinimumWidth(80);

  bar_ = new QProgressBar(this);
  bar_->setObjectName("barLevel");
  bar_->setRange(0, 31);
  bar_->setFormat("%v of 31");

  lastReport_ = new QLabel(this);
  lastReport_->setObjectName("lblLastReport");
  // The platform's own fixed font: "Monospace" names none on Windows, where
  // it fell back to a proportional face.
  lastReport_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  lastReport_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  reportCount_ = new QLabel(this);
  reportCount_->setObjectName("lblReportCount");
  plugState_ = new QLabel(this);
  plugState_->setObjectName("lblPlugState");

  plug_ = new QPushButton(this);
  plug_->setObjectName("cmdPlug");
  connect(plug_, &QPushButton::clicked, this, &BoardWindow::TogglePlug);
  auto* diagnostic = new QPushButton("Show the diagnostic window", this);
  diagnostic->setObjectName("cmdShowDiagnostic");
  connect(diagnostic, &QPushButton::clicked, this, std::move(showDiagnosticWindow));

  auto* facts = new QFormLayout;
  facts->addRow("Dimming level of the chip:", level_);
  facts->addRow("", bar_);
  facts->addRow("Last report received:", lastReport_);
  facts->addRow("Reports received:", reportCount_);
  facts->addRow("USB:", plugState_);
  auto* note = new QLabel(
      "Every send from the dimming window reaches this simulated board as one 8-byte "
      "report: 01 01, then the level with its five bits reversed.",
      this);
  note->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(facts);
  layout->addWidget(note);
  layout->addWidget(plug_);
  layout->addWidget(diagnostic);

  trace_.AddObserver(this);
  Refresh();
  FitToContents();
}

BoardWindow::~BoardWindow() {
  trace_.RemoveObserver(this);
}

void BoardWindow::LinesAppended(std::size_t, std::size_t) {
  if (refreshPending_) return;
  refreshPending_ = true;
  QMetaObject::invokeMethod(this, &BoardWindow::Refresh, Qt::QueuedConnection);
}

void BoardWindow::Refresh() {
  refreshPending_ = false;
  if (const auto level = firmware_.DimmingLevel()) {
    level_->setText(QString::number(*level));
    bar_->setValue(*level);
  } else {
    level_->setText("-");
    bar_->setValue(0);
  }
  const auto& last = firmware_.LastReceived();
  lastReport_->setText(
      last ? QString::fromStdString(hidlink::HexByteText(*last, last->size())).trimmed()
           : QString("none yet"));
  reportCount_->setText(QString::number(firmware_.ReceivedCount()));
  plugState_->setText(sim_.IsPlugged() ? "plugged in" : "unplugged");
  plug_->setText(sim_.IsPlugged() ? "Unplug the board" : "Plug the board back in");
}

void BoardWindow::JoinProgram(Program& program) {
  program_ = &program;
  program.SetOnContinued([this, &program] {
    // Where the dimming window lands is the window system's choice, known
    // once it is on the screen.
    FrmMain& main = program.Main();
    if (main.windowHandle() && main.windowHandle()->isExposed())
      ShowBeside(main);
    else
      main.installEventFilter(this);
  });
}

bool BoardWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint) {
    watched->removeEventFilter(this);
    auto* anchor = static_cast<QWidget*>(watched);
    QTimer::singleShot(0, this, [this, anchor] { ShowBeside(*anchor); });
  }
  return QWidget::eventFilter(watched, event);
}

void BoardWindow::FitToContents() {
  // How narrow the controls may be is the style's to say (Windows' progress
  // bar alone asks for some 370 pixels, more than Fusion's), and how tall the
  // wrapped note is depends on the width it gets: both come from the layout,
  // which otherwise only widens the window once it is shown, after it was
  // placed for the narrower size.
  layout()->activate();
  const int width = std::max(380, minimumWidth());
  resize(width, hasHeightForWidth() ? heightForWidth(width) : sizeHint().height());
}

void BoardWindow::ShowBeside(const QWidget& anchor) {
  // The texts may have changed since the window was made.
  FitToContents();
  const QRect outer = anchor.frameGeometry(), inner = anchor.geometry();
  // This window's frame is not known before it is shown: the anchor's is
  // the best guess.
  const QSize frameSize =
      size() + QSize(outer.width() - inner.width(), outer.height() - inner.height());
  const QScreen* screen = anchor.screen() ? anchor.screen() : QGuiApplication::primaryScreen();
  move(PlaceBeside(outer, frameSize, screen->availableGeometry()));
  show();
}

void BoardWindow::closeEvent(QCloseEvent* event) {
  // Without this window the board could no longer be unplugged or replugged.
  event->accept();
  if (program_) program_->Exit();
}

void BoardWindow::TogglePlug() {
  if (sim_.IsPlugged())
    sim_.Unplug();
  else
    sim_.Replug();
  Refresh();
}

}  // namespace ql::app
