#include "app/message_boxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace ql::app {
namespace {

TEST(MessageBoxes, ModalWithOneOkButtonUnderTheProgramTitle) {
  bool answered = false;
  // The box blocks until answered: answer it from the event loop it runs.
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "QL8810 Eval Kit");
    EXPECT_EQ(box->text().toStdString(), board::kLinkFailedMessage);
    EXPECT_EQ(box->buttons().size(), 1);
    answered = true;
    box->button(QMessageBox::Ok)->click();
  });
  MessageBoxes().ShowMessage(board::kLinkFailedMessage);
  EXPECT_TRUE(answered);
}

}  // namespace
}  // namespace ql::app
