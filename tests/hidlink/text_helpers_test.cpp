#include "hidlink/text_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hidlink/sim/sim_platform.h"

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

TEST(SystemErrorText, DropsTheClosingLineBreakAndNothingElse) {
  sim::SimPlatform platform;
  EXPECT_EQ(SystemErrorText(platform, 0), "The operation completed successfully.");
  EXPECT_EQ(SystemErrorText(platform, 122), "The data area passed to a system call is too small.");
  EXPECT_EQ(SystemErrorText(platform, 1167), "The device is not connected.");
  EXPECT_EQ(SystemErrorText(platform, 424242), "");  // no text for the code
}

TEST(SystemErrorText, ShortAndOverlongTextsGiveNothing) {
  sim::SimPlatform platform;
  struct Case {
    std::string stored;
    std::string expected;
  };
  const std::string fits(125, 'x');  // 125 + CR LF = 127 characters and the zero: fits 128
  const std::string tooLong(126, 'y');
  const std::vector<Case> cases = {
      {"\r\n", ""},  // exactly two characters
      {"a", ""},
      {"ab\r\n", "ab"},
      {fits + "\r\n", fits},
      {tooLong + "\r\n", ""},
      {"%1 is not a valid application.\r\n", "%1 is not a valid application."},
  };
  std::uint32_t code = 70000;
  for (const auto& c : cases) {
    platform.SetSystemText(code, c.stored);
    EXPECT_EQ(SystemErrorText(platform, code), c.expected) << c.stored.size();
    ++code;
  }
}

}  // namespace
}  // namespace ql::hidlink
