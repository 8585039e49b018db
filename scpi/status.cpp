#include "scpi/status.h"

namespace ql::scpi {

std::uint8_t Status::TakeEventRegister() {
  const std::uint8_t value = esr_;
  esr_ = 0;
  return value;
}

std::uint8_t Status::StatusByte(bool errorQueueNotEmpty) const {
  std::uint8_t stb = 0;
  if (errorQueueNotEmpty) stb |= kErrorQueueNotEmpty;
  if (esr_ & ese_) stb |= kEventSummary;
  if (stb & sre_) stb |= kMasterSummary;
  return stb;
}

}  // namespace ql::scpi
