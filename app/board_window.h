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

 private:
  void LinesAppended(std::size_t, std::size_t) override;
  void SelectionChanged(std::size_t) override {}
  void TogglePlug();

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
