// The SCPI-1999 and IEEE 488.2 errors an instrument reports, with their
// standard numbers and texts, and the event status bit each class sets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ql::scpi {

struct Error {
  int code = 0;
  std::string_view text;
};

inline constexpr Error kNoError{0, "No error"};
inline constexpr Error kCommandError{-100, "Command error"};
inline constexpr Error kInvalidCharacter{-101, "Invalid character"};
inline constexpr Error kSyntaxError{-102, "Syntax error"};
inline constexpr Error kInvalidSeparator{-103, "Invalid separator"};
inline constexpr Error kDataTypeError{-104, "Data type error"};
inline constexpr Error kParameterNotAllowed{-108, "Parameter not allowed"};
inline constexpr Error kMissingParameter{-109, "Missing parameter"};
inline constexpr Error kUndefinedHeader{-113, "Undefined header"};
inline constexpr Error kNumericDataError{-120, "Numeric data error"};
inline constexpr Error kSuffixNotAllowed{-138, "Suffix not allowed"};
inline constexpr Error kExecutionError{-200, "Execution error"};
inline constexpr Error kDataOutOfRange{-222, "Data out of range"};
inline constexpr Error kIllegalParameterValue{-224, "Illegal parameter value"};
inline constexpr Error kDataStale{-230, "Data corrupt or stale"};
inline constexpr Error kQueueOverflow{-350, "Queue overflow"};
inline constexpr Error kInputBufferOverrun{-363, "Input buffer overrun"};
inline constexpr Error kQueryInterrupted{-410, "Query INTERRUPTED"};
inline constexpr Error kQueryUnterminated{-420, "Query UNTERMINATED"};

// The standard event status register's bits (IEEE 488.2, 11.5.1).
namespace esr {
inline constexpr std::uint8_t kOperationComplete = 0x01;
inline constexpr std::uint8_t kQueryError = 0x04;
inline constexpr std::uint8_t kDeviceDependentError = 0x08;
inline constexpr std::uint8_t kExecutionError = 0x10;
inline constexpr std::uint8_t kCommandError = 0x20;
}  // namespace esr

// The bit an error of `code` sets: -100s command, -200s execution, -300s and
// positive (device-specific) device-dependent, -400s query.
std::uint8_t EventBitOf(int code);

// An error as SYSTem:ERRor? answers it: `-222,"Data out of range;level 40"`,
// the text a SCPI string (its quotes doubled), the information after a `;`.
std::string ErrorResponse(int code, std::string_view text, std::string_view info = {});

// A SCPI string response: between double quotes, those inside doubled.
std::string QuotedString(std::string_view text);

}  // namespace ql::scpi
