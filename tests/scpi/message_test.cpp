// Program messages as an instrument reads them: units, headers, parameters,
// and the error each malformed message gets.
#include <gtest/gtest.h>

#include "scpi/message.h"

namespace ql::scpi {
namespace {

// Each unit read as "HEADER|param|param", headers as sent with their marks.
std::vector<std::string> Read(std::string_view message, std::optional<ParseError>& error) {
  MessageReader reader(message);
  std::vector<std::string> units;
  while (const auto unit = reader.Next()) {
    std::string text = unit->common ? "*" : unit->absolute ? ":" : "";
    for (std::size_t i = 0; i < unit->mnemonics.size(); ++i)
      text += (i ? ":" : "") + unit->mnemonics[i];
    if (unit->query) text += "?";
    for (const Parameter& p : unit->parameters) {
      text += "|";
      switch (p.kind) {
        case Parameter::Kind::kNumber: {
          char number[64];
          std::snprintf(number, sizeof number, "%g", p.number);
          text += number;
          break;
        }
        case Parameter::Kind::kCharacter:
          text += "word:" + p.text;
          break;
        case Parameter::Kind::kString:
          text += "string:" + p.text;
          break;
        case Parameter::Kind::kBlock:
          text += "block:" + p.text;
          break;
      }
    }
    units.push_back(text);
  }
  error = reader.Failed();
  return units;
}

TEST(MessageReader, ReadsUnitsHeadersAndEveryKindOfParameter) {
  const std::pair<std::string_view, std::vector<std::string>> cases[] = {
      {"", {}},
      {"   ", {}},
      {"*IDN?", {"*IDN?"}},
      {"*idn?;*RST", {"*idn?", "*RST"}},
      {"DIMM:LEV 12;LEV?", {"DIMM:LEV|12", "LEV?"}},
      {":DIMM:LEV 12; :DIMM:LEV?", {":DIMM:LEV|12", ":DIMM:LEV?"}},
      {"SOUR:DIMM:SWE 0,31 , 5,\t10", {"SOUR:DIMM:SWE|0|31|5|10"}},
      {"DIMM 12.0;DIMM 1.2E1;DIMM 1.2 e 1;DIMM +12;DIMM -.5",
       {"DIMM|12", "DIMM|12", "DIMM|12", "DIMM|12", "DIMM|-0.5"}},
      {"DIMM #H1F;DIMM #h1f;DIMM #Q37;DIMM #B11111", {"DIMM|31", "DIMM|31", "DIMM|31", "DIMM|31"}},
      {"DIMM MAX;DIMM minimum", {"DIMM|word:MAX", "DIMM|word:minimum"}},
      {"SYST:TEXT \"say \"\"hi\"\"; ok\",'a'", {"SYST:TEXT|string:say \"hi\"; ok|string:a"}},
      {"DATA #15ab;cd;*OPC?", {"DATA|block:ab;cd", "*OPC?"}},
      {"DATA #0ab;cd", {"DATA|block:ab;cd"}},
      {"*IDN?;", {"*IDN?"}},
      {"DIMM 1E400", {"DIMM|inf"}},
  };
  for (const auto& [message, expected] : cases) {
    std::optional<ParseError> error;
    EXPECT_EQ(Read(message, error), expected) << message;
    EXPECT_FALSE(error) << message << ": " << (error ? error->info : "");
  }
}

// The units before the malformed one are read; the error names the fault.
TEST(MessageReader, AMalformedUnitEndsTheMessageWithItsError) {
  const struct {
    std::string_view message;
    std::size_t unitsBefore;
    int code;
  } cases[] = {
      {"DIMM:LEV 12;;LEV?", 1, -102},
      {"DIMM::LEV 12", 0, -102},
      {"9DIMM 12", 0, -102},
      {"DIMM$LEV 12", 0, -101},
      {std::string_view("DIMM\0 12", 8), 0, -101},
      {"DIMM \x01", 0, -101},
      {"DIMM 12\x80", 0, -101},
      {"DIMM,12", 0, -103},
      {"DIMM 12 13", 0, -103},
      {"DIMM 12,", 0, -102},
      {"DIMM \"12", 0, -102},
      {"DIMM #15ab", 0, -102},
      {"DIMM 12V", 0, -138},
      {"DIMM 12 mV", 0, -138},
      {"DIMM 1.2.3", 0, -120},
      {"DIMM 1E", 0, -120},
      {"DIMM #HZZ", 0, -120},
      {"DIMM #B102", 0, -120},
      {"DIMM #X1", 0, -120},
      {"DIMM +", 0, -120},
      {"*IDN?;DIMM @", 1, -102},
      {"DIMMINGDIMMING 12", 0, -100},
  };
  for (const auto& c : cases) {
    std::optional<ParseError> error;
    const auto units = Read(c.message, error);
    EXPECT_EQ(units.size(), c.unitsBefore) << c.message;
    ASSERT_TRUE(error) << c.message;
    EXPECT_EQ(error->error.code, c.code) << c.message << ": " << error->info;
  }
}

}  // namespace
}  // namespace ql::scpi
