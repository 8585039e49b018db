#include "app/message_boxes.h"

#include <QApplication>
#include <QMessageBox>

#include "app/identity.h"

namespace ql::app {

void MessageBoxes::ShowMessage(std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kProgramTitle),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace ql::app
