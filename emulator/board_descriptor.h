// The interface board's HID report descriptor: one vendor-defined
// application collection with an 8-byte input report (ID 3) and an 8-byte
// output report (ID 1), each the ID and seven data bytes.
#pragma once

#include <array>
#include <cstdint>

namespace ql::emulator {

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

}  // namespace ql::emulator
