#include "app/message_boxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <optional>

#include "app_bench.h"

namespace ql::app::testing {
namespace {

// What the box was, read while it was up.
struct ShownBox {
  QString title;
  QString text;
  qsizetype buttons = 0;
  QWidget* parent = nullptr;
  Qt::WindowModality modality = Qt::NonModal;
  Qt::WindowFlags flags;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// The box blocks until answered: it is read and answered from the event loop
// it runs.
ShownBox ShowAndAnswer(const std::function<void()>& show) {
  std::optional<ShownBox> shown;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    shown = ShownBox{box->windowTitle(),  box->text(),           box->buttons().size(),
                     box->parentWidget(), box->windowModality(), box->windowFlags(),
                     box->icon()};
    box->button(QMessageBox::Ok)->click();
  });
  show();
  if (!shown) throw std::runtime_error("no message box was shown");
  return *shown;
}

TEST(MessageBoxes, ModalWithOneOkButtonUnderTheProgramTitle) {
  const ShownBox box = ShowAndAnswer([] { MessageBoxes().ShowMessage(board::kLinkFailedMessage); });
  EXPECT_EQ(box.title, "QL8810 Eval Kit");
  EXPECT_EQ(box.text.toStdString(), board::kLinkFailedMessage);
  EXPECT_EQ(box.buttons, 1);
  EXPECT_EQ(box.icon, QMessageBox::NoIcon);
  EXPECT_EQ(box.modality, Qt::ApplicationModal);
  // A dialog with a title and a close button, nothing to minimise or
  // maximise, whatever the window manager would give a window of its own.
  EXPECT_EQ(box.flags & Qt::WindowType_Mask, Qt::Dialog);
  EXPECT_TRUE(box.flags & Qt::WindowTitleHint);
  EXPECT_FALSE(box.flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(box.parent, nullptr) << "no window is up yet: the box stands alone";
}

// A send that fails shows the message over the dimming window: the window
// the operator is using when it is active, and the dimming window when the
// window manager has given the focus elsewhere (Qt then has no active window).
TEST(MessageBoxes, BelongToTheWindowTheOperatorIsUsing) {
  AppBench bench;
  MessageBoxes boxes;
  FrmMain& main = bench.AtDimmingWindow();
  boxes.SetOwner(&main);
  QWidget other;
  other.show();
  const std::tuple<const char*, QWidget*, QWidget*> cases[] = {
      {"no window active", nullptr, &main},
      {"the dimming window active", &main, &main},
      {"another window of the program active", &other, &other},
  };
  for (const auto& [name, active, expected] : cases) {
    QApplication::setActiveWindow(active);
    EXPECT_EQ(boxes.MessageParent(), expected) << name;
    const ShownBox box = ShowAndAnswer([&] { boxes.ShowMessage(board::kLinkFailedMessage); });
    EXPECT_EQ(box.parent, expected) << name;
  }
  main.hide();
  other.hide();
  QApplication::setActiveWindow(nullptr);
  EXPECT_EQ(boxes.MessageParent(), nullptr) << "no window of the program up";
}

}  // namespace
}  // namespace ql::app::testing
