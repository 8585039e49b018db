// The operator's messages as modal message boxes with one OK button, titled
// with the program's name.
#pragma once

#include "board/operator_messages.h"

namespace ql::app {

class MessageBoxes final : public board::OperatorMessages {
 public:
  void ShowMessage(std::string_view text) override;
};

}  // namespace ql::app
