// The interface board's output report: its length, byte meanings, report IDs
// and command codes. The link holds these values in its state once its load
// step has run; the numbers themselves live here, in one place.
#pragma once

#include <cstdint>

namespace ql::board {

inline constexpr std::int16_t kOutReportID = 1;
inline constexpr std::int16_t kInReportID = 3;
inline constexpr std::int16_t kAllReportLen = 8;
inline constexpr std::int16_t kReportHeaderLen = 2;
inline constexpr std::int16_t kUSBTimeOut = 1000;

// Command codes, byte 1 of an output report.
inline constexpr std::int16_t RptDimmingLevel = 1;
inline constexpr std::int16_t kRpt2Bytes = 2;
inline constexpr std::int16_t kRpt4Bytes = 4;
inline constexpr std::int16_t kRpt6Bytes = 6;
inline constexpr std::int16_t kRpt8Bytes = 8;
inline constexpr std::int16_t kRptBreakShort = 17;
inline constexpr std::int16_t kRptWakeup = 18;
inline constexpr std::int16_t kRptHostSpeed = 19;
inline constexpr std::int16_t kRptBreakLong = 20;
inline constexpr std::int16_t kRptPwmCycle = 21;

// The board's USB identity.
inline constexpr std::uint16_t BoardVendorID = 0x0483;
inline constexpr std::uint16_t BoardProductID = 0x0003;

}  // namespace ql::board
