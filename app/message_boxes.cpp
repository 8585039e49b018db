#include "app/message_boxes.h"

#include <QApplication>
#include <QMessageBox>

#include "app/identity.h"

namespace ql::app {

QWidget* MessageBoxes::MessageParent() const {
  QWidget* active = QApplication::activeWindow();
  if (active && active->isVisible()) return active;
  return owner_ && owner_->isVisible() ? owner_.data() : nullptr;
}

void MessageBoxes::ShowMessage(std::string_view text) {
  // A box without a parent would belong to Qt's hidden leader window: window
  // managers then centre it on the screen and decorate it as a main window.
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kProgramTitle),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::Ok, MessageParent(),
                  Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace ql::app
