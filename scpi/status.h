// A connection's IEEE 488.2 status: the standard event status register and
// its enable mask, the service request enable mask, and the status byte
// made of them and of the error queue.
#pragma once

#include <cstdint>

namespace ql::scpi {

class Status {
 public:
  // Status byte bits (IEEE 488.2 11.2; SCPI-1999 9.1).
  static constexpr std::uint8_t kErrorQueueNotEmpty = 0x04;
  static constexpr std::uint8_t kEventSummary = 0x20;
  static constexpr std::uint8_t kMasterSummary = 0x40;

  void SetEvent(std::uint8_t bits) { esr_ |= bits; }
  // *ESR?: read and cleared.
  std::uint8_t TakeEventRegister();
  std::uint8_t EventEnable() const { return ese_; }
  void SetEventEnable(std::uint8_t mask) { ese_ = mask; }
  std::uint8_t ServiceRequestEnable() const { return sre_; }
  // Bit 6 cannot be enabled (IEEE 488.2 11.3.2.3).
  void SetServiceRequestEnable(std::uint8_t mask) { sre_ = mask & ~kMasterSummary; }
  // *STB?: read, nothing cleared.
  std::uint8_t StatusByte(bool errorQueueNotEmpty) const;
  // *CLS: the event register (the caller clears the error queue).
  void ClearEvents() { esr_ = 0; }
  // *RST: events and both masks.
  void Reset() { esr_ = ese_ = sre_ = 0; }

 private:
  std::uint8_t esr_ = 0;
  std::uint8_t ese_ = 0;
  std::uint8_t sre_ = 0;
};

}  // namespace ql::scpi
