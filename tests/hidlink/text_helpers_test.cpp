#include "hidlink/text_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ql::hidlink {
namespace {

TEST(HexText, UpperCaseWithoutPaddingOrPrefix) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases = {{0, "0"},
                                                                    {6, "6"},
                                                                    {0xF0, "F0"},
                                                                    {0x00CF, "CF"},
                                                                    {0xFF00, "FF00"},
                                                                    {0x4D1E55B2, "4D1E55B2"},
                                                                    {0xFFFFFFFF, "FFFFFFFF"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(HexText(value), text) << value;
}

TEST(HexByteText, TwoDigitsAndABlankPerByte) {
  const std::vector<std::uint8_t> guidTail = {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30};
  EXPECT_EQ(HexByteText(guidTail, 8), "88 CB 00 11 11 00 00 30 ");
  EXPECT_EQ(HexByteText(guidTail, 8).size(), 24u);
  const std::vector<std::uint8_t> two = {0x05, 0xAB};
  EXPECT_EQ(HexByteText(two, 2), "05 AB ");
  EXPECT_EQ(HexByteText(two, 0), "");
  // A count beyond the bytes given never reads past them.
  EXPECT_EQ(HexByteText(two, 9), "05 AB ");
}

}  // namespace
}  // namespace ql::hidlink
