// The interface board as the PC sees it, in one place: who it is on the bus,
// the report it takes (length, byte meanings, report IDs, command codes), the
// dimming levels it knows, and the HID report descriptor it declares. Plain
// numbers, so that the board emulator needs nothing else.
#pragma once

#include <array>
#include <cstdint>

namespace ql::board {

inline constexpr std::int16_t kOutReportID = 1;
inline constexpr std::int16_t kInReportID = 3;
inline constexpr std::int16_t kAllReportLen = 8;
inline constexpr std::int16_t kReportHeaderLen = 2;
inline constexpr std::int16_t kUSBTimeOut = 1000;

// Command codes, byte 1 of an output report. The dimming command's code is
// the command's own constant; the link holds the others.
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

// The dimming levels the chip takes.
inline constexpr int kMinLevel = 0;
inline constexpr int kMaxLevel = 31;

// The board's USB identity.
inline constexpr std::uint16_t BoardVendorID = 0x0483;
inline constexpr std::uint16_t BoardProductID = 0x0003;
inline constexpr std::uint16_t kBoardVersion = 0x0200;

// One vendor-defined application collection with an 8-byte input report
// (ID 3) and an 8-byte output report (ID 1), each the ID and seven data
// bytes.
inline constexpr std::array<std::uint8_t, 29> kBoardReportDescriptor = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor defined 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x07,        //   Report Count (7)
    0x85, 0x03,        //   Report ID (3)
    0x09, 0x01,        //   Usage (1)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x85, 0x01,        //   Report ID (1)
    0x09, 0x01,        //   Usage (1)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

}  // namespace ql::board
