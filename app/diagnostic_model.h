// The link's trace as a Qt list model, for the diagnostic window's list.
//
// The trace grows by a dozen lines per send and may reach millions of lines.
// Rows are announced to the view in one batch when control returns to the
// event loop, not line by line, so the cost of a send does not depend on how
// long the trace already is.
#pragma once

#include <QAbstractListModel>

#include "hidlink/diagnostic_list.h"

namespace ql::app {

class DiagnosticModel final : public QAbstractListModel, private hidlink::DiagnosticList::Observer {
  Q_OBJECT

 public:
  DiagnosticModel(hidlink::DiagnosticList& list, QObject* parent = nullptr);
  ~DiagnosticModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // Announces the lines appended since the last batch and passes on the
  // latest selection. Runs by itself from the event loop; tests call it.
  void Flush();

 signals:
  void selectionMoved(int row);

 private:
  void LinesAppended(std::size_t first, std::size_t count) override;
  void SelectionChanged(std::size_t index) override;
  void Schedule();

  hidlink::DiagnosticList& list_;
  int shown_ = 0;
  bool scheduled_ = false;
  bool selectionPending_ = false;
};

}  // namespace ql::app
