// The level slider, telling when a mouse button pressed on it is let go.
//
// QSlider::sliderReleased comes only at the end of a handle drag; a click on
// the track (a page step) or a right click must send too, so the release
// itself is caught.
#pragma once

#include <QEvent>
#include <QSlider>

namespace ql::app {

class LevelSlider final : public QSlider {
  Q_OBJECT

 public:
  using QSlider::QSlider;

 signals:
  // After the slider has taken the release, so value() is final.
  void mouseReleased();

 protected:
  bool event(QEvent* e) override {
    const bool release = e->type() == QEvent::MouseButtonRelease;
    const bool handled = QSlider::event(e);
    if (release) emit mouseReleased();
    return handled;
  }
};

}  // namespace ql::app
