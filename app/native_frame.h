// What Qt's window flags cannot say for the splash window: a fixed dialog
// frame with no title bar, and no name at all.
#pragma once

#include <QWidget>

namespace ql::app {

// Creates `window`'s native window if it has none yet and gives it a fixed
// dialog frame without a title bar or buttons, and an empty name.
//
// Qt never leaves a native window's name empty (an untitled window is named
// after the program, and a taskbar shows that name), and on X11 it offers a
// frame either with a title bar or with nothing at all. On X11 the Motif hints
// ask the window manager for a border alone; on Windows the frame is Qt's own
// (a pop-up with a dialog frame) and only the name is blanked.
void UseUntitledDialogFrame(QWidget& window);

}  // namespace ql::app
