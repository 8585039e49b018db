#include "cli/number_args.h"

#include <gtest/gtest.h>

namespace ql::cli {
namespace {

TEST(ParseNumber, AcceptsExactlyWholeNumbersInRange) {
  struct Case {
    std::string text;
    NumberBase base;
    std::optional<std::int64_t> value;
  };
  const Case cases[] = {
      {"0", NumberBase::kDecimal, 0},
      {"31", NumberBase::kDecimal, 31},
      {"007", NumberBase::kDecimal, 7},
      {"+5", NumberBase::kDecimal, 5},
      {"32", NumberBase::kDecimal, {}},
      {"-1", NumberBase::kDecimal, {}},
      {"-0", NumberBase::kDecimal, 0},
      {"", NumberBase::kDecimal, {}},
      {" 5", NumberBase::kDecimal, {}},
      {"5 ", NumberBase::kDecimal, {}},
      {"1e3", NumberBase::kDecimal, {}},
      {"0x1F", NumberBase::kDecimal, {}},
      {"0x1F", NumberBase::kDecimalOrHex, 31},
      {"0X1f", NumberBase::kDecimalOrHex, 31},
      {"0x", NumberBase::kDecimalOrHex, {}},
      {"0x-1", NumberBase::kDecimalOrHex, {}},
      {"-", NumberBase::kDecimal, {}},
      {"+", NumberBase::kDecimal, {}},
      {"18446744073709551616", NumberBase::kDecimal, {}},
      {"4294967327", NumberBase::kDecimal, {}},  // 31 modulo 2^32
  };
  for (const Case& c : cases) {
    const ParsedNumber parsed = ParseNumber(c.text, 0, 31, "level", c.base);
    EXPECT_EQ(parsed.value, c.value) << '"' << c.text << '"';
    if (!c.value) {
      EXPECT_EQ(parsed.error.rfind("level: ", 0), 0u) << parsed.error;
    }
  }
}

}  // namespace
}  // namespace ql::cli
