#include "app/trace_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <limits>

namespace ql::app {
namespace {

constexpr int kTextMargin = 3;

int RowsOf(const hidlink::DiagnosticList& list) {
  return static_cast<int>(std::min<std::size_t>(
      list.size(), static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

QString LineText(const hidlink::DiagnosticList& list, int row) {
  const std::string_view line = list[static_cast<std::size_t>(row)];
  return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

}  // namespace

TraceView::TraceView(hidlink::DiagnosticList& list, QWidget* parent)
    : QAbstractScrollArea(parent), list_(list), rows_(RowsOf(list)) {
  setFocusPolicy(Qt::WheelFocus);
  // GUIDs and device paths are wider than the list.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  verticalScrollBar()->setSingleStep(1);
  rowHeight_ = fontMetrics().height() + 2;
  MeasureNewTexts();
  UpdateScrollRange();
  list_.AddObserver(this);
  selectionPending_ = list_.Selected().has_value();
  if (selectionPending_) Schedule();
}

TraceView::~TraceView() {
  list_.RemoveObserver(this);
}

void TraceView::LinesAppended(std::size_t, std::size_t) {
  Schedule();
}

void TraceView::SelectionChanged(std::size_t) {
  selectionPending_ = true;
  Schedule();
}

// A send appends a dozen lines and selects several times: the view catches up
// once, when control is back in the event loop.
void TraceView::Schedule() {
  if (scheduled_) return;
  scheduled_ = true;
  QMetaObject::invokeMethod(this, &TraceView::Flush, Qt::QueuedConnection);
}

void TraceView::Flush() {
  scheduled_ = false;
  const int rows = RowsOf(list_);
  const bool wider = MeasureNewTexts();
  if (rows != rows_ || wider) {
    rows_ = rows;
    UpdateScrollRange();
    viewport()->update();
  }
  if (selectionPending_) {
    selectionPending_ = false;
    if (const auto selected = list_.Selected(); selected && *selected < std::size_t(rows_))
      SetCurrentRow(static_cast<int>(*selected));
  }
}

int TraceView::RowsInSight() const {
  return std::max(1, viewport()->height() / rowHeight_);
}

bool TraceView::MeasureNewTexts() {
  const int before = widest_;
  const QFontMetrics metrics = fontMetrics();
  for (; measuredTexts_ < list_.DistinctTexts(); ++measuredTexts_) {
    const std::string_view text = list_.DistinctText(measuredTexts_);
    widest_ = std::max(widest_, metrics.horizontalAdvance(QString::fromUtf8(
                                    text.data(), static_cast<qsizetype>(text.size()))));
  }
  return widest_ > before;
}

void TraceView::UpdateScrollRange() {
  const int inSight = RowsInSight();
  verticalScrollBar()->setPageStep(inSight);
  verticalScrollBar()->setRange(0, std::max(0, rows_ - inSight));
  QScrollBar* across = horizontalScrollBar();
  across->setPageStep(viewport()->width());
  across->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 4));
  across->setRange(0, std::max(0, widest_ + 2 * kTextMargin - viewport()->width()));
}

// Rows hang from the top edge, but at the end of the list the last row sits
// on the bottom edge, as in a list box: the space left below moves to the top.
int TraceView::Shift() const {
  const QScrollBar* bar = verticalScrollBar();
  if (bar->maximum() == 0 || bar->value() != bar->maximum()) return 0;
  return viewport()->height() - RowsInSight() * rowHeight_;
}

int TraceView::RowAt(int y) const {
  if (y < 0 || y >= viewport()->height()) return -1;
  const int shifted = y - Shift();
  const int row = verticalScrollBar()->value() + (shifted < 0 ? -1 : shifted / rowHeight_);
  return row < rows_ ? row : -1;
}

void TraceView::SetCurrentRow(int row) {
  if (row < 0 || row >= rows_) return;
  current_ = row;
  QScrollBar* bar = verticalScrollBar();
  if (row < bar->value())
    bar->setValue(row);
  else if (row >= bar->value() + RowsInSight())
    bar->setValue(row - RowsInSight() + 1);
  viewport()->update();
}

void TraceView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const int top = verticalScrollBar()->value();
  const int shift = Shift();
  const int end = std::min(rows_, top + viewport()->height() / rowHeight_ + 1);
  const int width = viewport()->width();
  const int left = kTextMargin - horizontalScrollBar()->value();
  for (int row = shift > 0 ? top - 1 : top; row < end; ++row) {
    const QRect cell(0, shift + (row - top) * rowHeight_, width, rowHeight_);
    const bool selected = row == current_;
    if (selected) painter.fillRect(cell, palette().brush(QPalette::Highlight));
    painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(cell.adjusted(left, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, LineText(list_, row));
  }
}

void TraceView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    if (current_ >= 0) QApplication::clipboard()->setText(LineText(list_, current_));
    return;
  }
  const int from = std::max(current_, 0);
  int to = -1;
  switch (event->key()) {
    case Qt::Key_Up:
      to = from - 1;
      break;
    case Qt::Key_Down:
      to = current_ < 0 ? 0 : from + 1;
      break;
    case Qt::Key_PageUp:
      to = from - RowsInSight();
      break;
    case Qt::Key_PageDown:
      to = from + RowsInSight();
      break;
    case Qt::Key_Home:
      to = 0;
      break;
    case Qt::Key_End:
      to = rows_ - 1;
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  SetCurrentRow(std::clamp(to, 0, std::max(rows_ - 1, 0)));
}

void TraceView::mousePressEvent(QMouseEvent* event) {
  SetCurrentRow(RowAt(event->position().toPoint().y()));
}

void TraceView::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) SetCurrentRow(RowAt(event->position().toPoint().y()));
}

void TraceView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void TraceView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    rowHeight_ = fontMetrics().height() + 2;
    measuredTexts_ = 0;
    widest_ = 0;
    MeasureNewTexts();
    UpdateScrollRange();
  }
  QAbstractScrollArea::changeEvent(event);
}

}  // namespace ql::app
