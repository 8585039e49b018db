#include "cli/number_args.h"

#include <gtest/gtest.h>

namespace ql::cli {
namespace {

TEST(ParseNumber, AcceptsExactlyWholeNumbersInRange) {
  using enum NumberBase;
  const auto parse = [](const char* text, NumberBase base) {
    return ParseNumber(text, 0, 31, "level", base);
  };
  const std::pair<const char*, int> decimal[] = {
      {"0", 0}, {"31", 31}, {"007", 7}, {"+5", 5}, {"-0", 0}};
  for (const auto& [text, value] : decimal) EXPECT_EQ(parse(text, kDecimal).value, value) << text;
  EXPECT_EQ(parse("0x1F", kDecimalOrHex).value, 31);
  EXPECT_EQ(parse("0X1f", kDecimalOrHex).value, 31);

  const auto refused = [&](const char* text, NumberBase base) {
    const ParsedNumber parsed = parse(text, base);
    EXPECT_EQ(parsed.value, std::nullopt) << '"' << text << '"';
    EXPECT_EQ(parsed.error.rfind("level: ", 0), 0u) << parsed.error;
  };
  // 4294967327 is 31 modulo 2^32.
  for (const char* text :
       {"32", "-1", "", " 5", "5 ", "1e3", "0x1F", "-", "+", "18446744073709551616", "4294967327"})
    refused(text, kDecimal);
  for (const char* text : {"0x", "0x-1"}) refused(text, kDecimalOrHex);
}

}  // namespace
}  // namespace ql::cli
