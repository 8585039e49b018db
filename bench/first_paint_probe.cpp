// Linked into a Qt Widgets program, this notes the moment its first window is
// first painted: it prints the monotonic clock in nanoseconds on standard
// output (one line, which also tells a waiting parent) and ends the process.
// The program itself is left as it is.
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

class FirstPaint final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      timespec now{};
      clock_gettime(CLOCK_MONOTONIC, &now);
      std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
      std::fflush(stdout);
      std::_Exit(0);
    }
    return false;
  }
};

void WatchForFirstPaint() {
  QCoreApplication::instance()->installEventFilter(new FirstPaint);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(WatchForFirstPaint)
