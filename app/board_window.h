// The demo's window onto the simulated board: what the chip was told last,
// a switch to pull the board's plug, and the way to the diagnostic window.
#pragma once

#include <QWidget>
#include <functional>

#include "board/firmware.h"
#include "hidlink/diagnostic_list.h"
#include "hidlink/sim/sim_pc.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace ql::app {

class Program;

// Where a window of `frameSize` goes beside `anchor` (both frames, outer
// edges): right of it, else left, else below, else above, whichever lies
// wholly inside `screen` first. When no side has room it still lies on the
// screen (from its top left corner when larger), over as little of `anchor`
// as it can.
QPoint PlaceBeside(const QRect& anchor, const QSize& frameSize, const QRect& screen);

class BoardWindow final : public QWidget, private hidlink::DiagnosticList::Observer {
  Q_OBJECT

 public:
  // Every link operation leaves lines in `trace`; the window looks at the
  // board again after each batch of them.
  BoardWindow(hidlink::sim::SimPc& sim, const board::Firmware& firmware,
              hidlink::DiagnosticList& trace, std::function<void()> showDiagnosticWindow);
  ~BoardWindow() override;

  // Shows the board as it is now.
  void Refresh();
  // Opens beside the dimming window once the operator has continued to it;
  // closing this window then ends the demo as "&Exit" does.
  void JoinProgram(Program& program);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LinesAppended(std::size_t, std::size_t) override;
  void SelectionChanged(std::size_t) override {}
  void TogglePlug();
  // The size the contents need, at the designed width when they fit in it.
  void FitToContents();
  void ShowBeside(const QWidget& anchor);

  Program* program_ = nullptr;

  hidlink::sim::SimPc& sim_;
  const board::Firmware& firmware_;
  hidlink::DiagnosticList& trace_;
  bool refreshPending_ = false;
  QLabel* level_;
  QProgressBar* bar_;
  QLabel* lastReport_;
  QLabel* reportCount_;
  QLabel* plugState_;
  QPushButton* plug_;
};

}  // namespace ql::app
