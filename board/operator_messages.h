// Where the board layer tells the operator that something failed. The windows
// put a modal message box behind it, the command-line tool prints to standard
// error, tests record.
#pragma once

#include <string_view>

namespace ql::board {

inline constexpr std::string_view kLinkFailedMessage =
    "Communication with Interface Board Failed. Please resert the interface board and try again.";
inline constexpr std::string_view kBusWriteFailedMessage =
    "Write to USB bus failed. Please try again.";

class OperatorMessages {
 public:
  virtual ~OperatorMessages() = default;
  // Returns once the operator has acknowledged the message.
  virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace ql::board
