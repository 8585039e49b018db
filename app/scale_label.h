// The scale over the level slider. Its text is "0", blanks and "31"; however
// wide the font's blanks, the first number is drawn over the slider's left
// end and the last over its right end.
#pragma once

#include <QLabel>
#include <QPainter>

namespace ql::app {

class ScaleLabel final : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    const QStringList ends = text().split(' ', Qt::SkipEmptyParts);
    if (ends.isEmpty()) return;
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, ends.front());
    if (ends.size() > 1) painter.drawText(rect(), Qt::AlignRight | Qt::AlignVCenter, ends.back());
  }
};

}  // namespace ql::app
