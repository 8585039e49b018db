#include "app/message_boxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace ql::app {
namespace {

TEST(MessageBoxes, ModalWithOneOkButtonUnderTheProgramTitle) {
  QString title, text;
  int buttons = -1;
  bool modal = false;
  // The box blocks until it is answered; answer it from the event loop it
  // runs.
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    buttons = static_cast<int>(box->buttons().size());
    modal = box->isModal();
    box->button(QMessageBox::Ok)->click();
  });
  MessageBoxes messages;
  messages.ShowMessage(board::kLinkFailedMessage);

  EXPECT_EQ(title, "QL8810 Eval Kit");
  EXPECT_EQ(text.toStdString(), board::kLinkFailedMessage);
  EXPECT_EQ(buttons, 1);
  EXPECT_TRUE(modal);
}

}  // namespace
}  // namespace ql::app
