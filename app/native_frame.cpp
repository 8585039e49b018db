#include "app/native_frame.h"

#if QL_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QGuiApplication>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#endif

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace ql::app {
namespace {

#if QL_HAVE_XCB
// The Motif window manager hints, as every X11 window manager reads them:
// flags, functions, decorations, input mode, status.
constexpr std::uint32_t kHintsFunctions = 1U << 0;
constexpr std::uint32_t kHintsDecorations = 1U << 1;
constexpr std::uint32_t kFunctionMove = 1U << 2;
constexpr std::uint32_t kFunctionClose = 1U << 5;
constexpr std::uint32_t kDecorationBorder = 1U << 1;

void UseUntitledDialogFrameX11(QWidget& window) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  // The offscreen platform answers too, without a connection.
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (QGuiApplication::platformName() != "xcb" || !connection) return;
  const auto atom = [connection](const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return found;
  };
  const auto id = static_cast<xcb_window_t>(window.winId());
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_NAME"),
                      atom("UTF8_STRING"), 8, 0, nullptr);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      0, nullptr);
  // Moved and closed, never resized, minimised or maximised; a border and no
  // title bar.
  const std::array<std::uint32_t, 5> hints{kHintsFunctions | kHintsDecorations,
                                           kFunctionMove | kFunctionClose, kDecorationBorder, 0, 0};
  const xcb_atom_t motif = atom("_MOTIF_WM_HINTS");
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, motif, motif, 32,
                      static_cast<std::uint32_t>(hints.size()), hints.data());
  xcb_flush(connection);
}
#endif

}  // namespace

void UseUntitledDialogFrame(QWidget& window) {
#if QL_HAVE_XCB
  UseUntitledDialogFrameX11(window);
#elif defined(Q_OS_WIN)
  // Qt creates the window with the program's name as its caption even when
  // it has no title bar; Windows shows that name on the taskbar button.
  SetWindowTextW(reinterpret_cast<HWND>(window.winId()), L"");
#else
  (void)window;
#endif
}

}  // namespace ql::app
