// The operator's messages as modal message boxes with one OK button, titled
// with the program's name and shown over the window the operator is using.
#pragma once

#include <QPointer>
#include <QWidget>

#include "board/operator_messages.h"

namespace ql::app {

class MessageBoxes final : public board::OperatorMessages {
 public:
  // The window a message belongs to when none of the program's windows is
  // active (the window manager gave the focus elsewhere, or no event made
  // the send): the dimming window. Without one, and before any window is up,
  // a message stands alone, centred on the screen.
  void SetOwner(QWidget* owner) { owner_ = owner; }

  void ShowMessage(std::string_view text) override;

  // The window the next message would be shown over, nullptr for none.
  QWidget* MessageParent() const;

 private:
  QPointer<QWidget> owner_;
};

}  // namespace ql::app
