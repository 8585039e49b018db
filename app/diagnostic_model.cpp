#include "app/diagnostic_model.h"

#include <algorithm>
#include <limits>

namespace ql::app {
namespace {

int RowsOf(const hidlink::DiagnosticList& list) {
  return static_cast<int>(std::min<std::size_t>(
      list.size(), static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

}  // namespace

DiagnosticModel::DiagnosticModel(hidlink::DiagnosticList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list), shown_(RowsOf(list)) {
  list_.AddObserver(this);
  selectionPending_ = list_.Selected().has_value();
  if (selectionPending_) Schedule();
}

DiagnosticModel::~DiagnosticModel() {
  list_.RemoveObserver(this);
}

int DiagnosticModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

QVariant DiagnosticModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shown_) return {};
  const std::string_view line = list_[static_cast<std::size_t>(index.row())];
  return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

void DiagnosticModel::LinesAppended(std::size_t, std::size_t) {
  Schedule();
}

void DiagnosticModel::SelectionChanged(std::size_t) {
  selectionPending_ = true;
  Schedule();
}

void DiagnosticModel::Schedule() {
  if (scheduled_) return;
  scheduled_ = true;
  QMetaObject::invokeMethod(this, &DiagnosticModel::Flush, Qt::QueuedConnection);
}

void DiagnosticModel::Flush() {
  scheduled_ = false;
  const int rows = RowsOf(list_);
  if (rows > shown_) {
    beginInsertRows({}, shown_, rows - 1);
    shown_ = rows;
    endInsertRows();
  }
  if (selectionPending_) {
    selectionPending_ = false;
    if (const auto selected = list_.Selected();
        selected && *selected < static_cast<std::size_t>(shown_))
      emit selectionMoved(static_cast<int>(*selected));
  }
}

}  // namespace ql::app
