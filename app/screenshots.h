// Pictures of every window for the documentation, taken on the simulated
// board after a short session: the splash window, the diagnostic window after
// one HID test, the dimming window after a send, and the board.
#pragma once

#include <QString>

namespace ql::app {

class BoardWindow;
class Program;

// Writes frmSplash.png, frmMain.png, frmUsb.png and frmBoard.png into `dir`;
// false when one could not be written.
bool TakeScreenshots(Program& program, BoardWindow& board, const QString& dir);

}  // namespace ql::app
