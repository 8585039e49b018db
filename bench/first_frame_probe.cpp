// Notes the end of a Qt Widgets program's first complete frame: the first
// expose of a window still shown when it comes, handled in full (every widget
// painted into the backing store and the store flushed to the window system).
// It then prints the monotonic clock in nanoseconds on standard output, one
// line that also tells a waiting parent, and ends the process.
//
// On Linux it is preloaded into the program as it ships (LD_PRELOAD); a
// Windows program has it linked in, the program's own sources unchanged.
#include <QCoreApplication>
#include <QEvent>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

class FirstFrame final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Expose || !watched->isWindowType()) return false;
    auto* window = static_cast<QWindow*>(watched);
    // A window shown and hidden again before its expose came (a window loaded
    // behind another) is not what the operator sees.
    if (!window->isVisible()) return false;
    // The expose handled now, as it would have been right after this filter,
    // so that the clock is read once it is done.
    QCoreApplication::instance()->removeEventFilter(this);
    QCoreApplication::sendEvent(window, event);
    if (!window->isExposed()) {
      QCoreApplication::instance()->installEventFilter(this);
      return true;
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("%lld\n", static_cast<long long>(
                              std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stdout);
    std::_Exit(0);
  }
};

void WatchForFirstFrame() {
  QCoreApplication::instance()->installEventFilter(new FirstFrame);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(WatchForFirstFrame)
