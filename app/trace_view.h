// The diagnostic window's list: the link's trace, one line per row.
//
// A long session leaves millions of lines. The view keeps nothing per row:
// every row is as high as every other, so the rows in sight follow from the
// scroll position by arithmetic and are painted straight from the list.
// Appending costs the same at fifteen million rows as at a thousand. How wide
// the widest line is comes from the list's distinct texts, each measured once:
// a long run repeats a few hundred texts.
#pragma once

#include <QAbstractScrollArea>

#include "hidlink/diagnostic_list.h"

namespace ql::app {

class TraceView final : public QAbstractScrollArea, private hidlink::DiagnosticList::Observer {
  Q_OBJECT

 public:
  explicit TraceView(hidlink::DiagnosticList& list, QWidget* parent = nullptr);
  ~TraceView() override;

  // Rows shown: the list's lines as of the last Flush().
  int Rows() const { return rows_; }
  // The selected row, -1 when none.
  int CurrentRow() const { return current_; }
  // The row drawn at `y` in the viewport, -1 when none.
  int RowAt(int y) const;
  // Selects `row` and scrolls it into sight.
  void SetCurrentRow(int row);

  // Takes in the lines appended and the list's selection since the last call.
  // Runs by itself from the event loop after a batch of appends.
  void Flush();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void LinesAppended(std::size_t first, std::size_t count) override;
  void SelectionChanged(std::size_t index) override;
  void Schedule();
  int RowsInSight() const;
  int Shift() const;
  void UpdateScrollRange();
  // Takes in the widths of the texts not measured yet; true when the widest
  // grew.
  bool MeasureNewTexts();

  hidlink::DiagnosticList& list_;
  int rows_ = 0;
  int current_ = -1;
  int rowHeight_ = 1;
  std::size_t measuredTexts_ = 0;
  int widest_ = 0;
  bool scheduled_ = false;
  bool selectionPending_ = false;
};

}  // namespace ql::app
