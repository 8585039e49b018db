// The developer's write-then-read test of the board: eight chosen bytes go
// out, one input report comes back and is listed in the trace. The diagnostic
// window and the ql8810 tool run the same code; neither knows of the other.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hidlink/link.h"

namespace ql::hidlink {

// The test's one wait for the answer.
inline constexpr std::uint32_t kHidTestWaitMs = 6000;

// What the developer chose for the next run. The tool makes one run without
// auto-increment; the window keeps these across runs.
struct HidTestBytes {
  std::uint8_t byte0 = 0x00;
  std::uint8_t byte1 = 0x80;
  bool autoIncrement = true;
};

// The 8-byte test report: the two chosen bytes, then 55 56 57 58 59 55.
std::array<std::uint8_t, 8> HidTestReport(std::uint8_t byte0, std::uint8_t byte1);

// Byte 1 of the run after this one: steps of ten below 100, then back to 0,
// so runs from 00 cycle through eleven values.
std::uint8_t NextAutoIncrement(std::uint8_t byte1);

// The local date and time in the locale's short date and long time (the
// process's C locale, which a Qt program sets from the user's environment).
std::string GeneralDateText();

struct HidTestRun {
  bool boardFound = false;
  std::array<std::uint8_t, 8> sent{};
  bool writeOk = false;
  Link::ListedReport read;  // meaningful when boardFound
};

// One run: header lines, the search when the board is not open, then (board
// open) the auto-increment step on `bytes`, the answers nobody read dropped
// (so that the test reads its own), the write and the read. `dateLine`
// is the run's date line, taken by the caller so tests can fix it.
HidTestRun RunHidTest(Link& link, HidTestBytes& bytes, std::string_view dateLine,
                      std::uint32_t waitMs = kHidTestWaitMs);

}  // namespace ql::hidlink
